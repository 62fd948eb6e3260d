# Installs the build into a temporary prefix twice: the layout is complete with
# the right modes, the desktop files pass their checkers, the executable finds
# nothing through a search path of its own, and no install brings a database.
# One that an administrator put into the program folder, making it portable,
# survives the second install.
file(REMOVE_RECURSE ${PREFIJO})

function(instalar)
  execute_process(COMMAND ${CMAKE_COMMAND} --install ${CONSTRUCCION} --prefix ${PREFIJO}
                  RESULT_VARIABLE resultado OUTPUT_QUIET)
  if(NOT resultado EQUAL 0)
    message(FATAL_ERROR "la instalación falló: ${resultado}")
  endif()
endfunction()

function(comprobar_modo archivo esperado)
  if(NOT EXISTS ${PREFIJO}/${archivo} OR IS_SYMLINK ${PREFIJO}/${archivo})
    message(FATAL_ERROR "falta ${archivo}")
  endif()
  execute_process(COMMAND stat -c %a ${PREFIJO}/${archivo} OUTPUT_VARIABLE modo
                  OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT modo STREQUAL esperado)
    message(FATAL_ERROR "${archivo} tiene el modo ${modo}, no ${esperado}")
  endif()
endfunction()

instalar()
comprobar_modo(lib/cobranzia/cobranzia 755)
comprobar_modo(lib/cobranzia/libmd5.so 644)
set(archivos
    lib/cobranzia/Cobranzia.rpt
    share/applications/com.cobranzia.Cobranzia.desktop
    share/mime/packages/cobranzia.xml
    share/metainfo/com.cobranzia.Cobranzia.metainfo.xml
    share/icons/hicolor/scalable/apps/cobranzia.svg
    share/man/man1/cobranzia.1.gz
    share/bash-completion/completions/cobranzia
    share/doc/cobranzia/copyright
    share/doc/cobranzia/changelog.gz
    share/lintian/overrides/cobranzia)
foreach(lado 16 22 24 32 48 64 128 256)
  list(APPEND archivos share/icons/hicolor/${lado}x${lado}/apps/cobranzia.png)
endforeach()
foreach(archivo IN LISTS archivos)
  comprobar_modo(${archivo} 644)
endforeach()

file(READ_SYMLINK ${PREFIJO}/bin/cobranzia destino)
if(NOT destino STREQUAL "../lib/cobranzia/cobranzia")
  message(FATAL_ERROR "bin/cobranzia apunta a «${destino}»")
endif()
# The desktop's own checkers accept what a desktop reads.
foreach(orden IN ITEMS
        "desktop-file-validate;${PREFIJO}/share/applications/com.cobranzia.Cobranzia.desktop"
        "appstreamcli;validate;--no-net;${PREFIJO}/share/metainfo/com.cobranzia.Cobranzia.metainfo.xml")
  execute_process(COMMAND ${orden} RESULT_VARIABLE resultado OUTPUT_VARIABLE salida
                  ERROR_VARIABLE salida)
  if(NOT resultado EQUAL 0)
    message(FATAL_ERROR "${orden}: ${salida}")
  endif()
endforeach()

file(READ_ELF ${PREFIJO}/lib/cobranzia/cobranzia RPATH rpath RUNPATH runpath)
if(rpath OR runpath)
  message(FATAL_ERROR "el ejecutable instalado busca bibliotecas en ${rpath}${runpath}")
endif()
file(GLOB_RECURSE bases ${PREFIJO}/*.mdb)
if(bases)
  message(FATAL_ERROR "la instalación trajo una base de datos: ${bases}")
endif()

file(WRITE ${PREFIJO}/lib/cobranzia/Cobranzia.mdb "datos del usuario")
instalar()
file(READ ${PREFIJO}/lib/cobranzia/Cobranzia.mdb contenido)
if(NOT contenido STREQUAL "datos del usuario")
  message(FATAL_ERROR "la segunda instalación pisó la base de datos")
endif()
file(REMOVE_RECURSE ${PREFIJO})
