# Installs the build into a temporary prefix twice: the layout is complete, and
# the second install keeps the database that the first one made.
file(REMOVE_RECURSE ${PREFIJO})

function(instalar)
  execute_process(COMMAND ${CMAKE_COMMAND} --install ${CONSTRUCCION} --prefix ${PREFIJO}
                  RESULT_VARIABLE resultado OUTPUT_QUIET)
  if(NOT resultado EQUAL 0)
    message(FATAL_ERROR "la instalación falló: ${resultado}")
  endif()
endfunction()

instalar()
foreach(archivo lib/cobranzia/cobranzia lib/cobranzia/libmd5.so lib/cobranzia/Cobranzia.mdb
                bin/cobranzia ${EXTRA})
  if(NOT EXISTS ${PREFIJO}/${archivo})
    message(FATAL_ERROR "falta ${archivo}")
  endif()
endforeach()
if(NOT IS_SYMLINK ${PREFIJO}/bin/cobranzia)
  message(FATAL_ERROR "bin/cobranzia no es un enlace")
endif()
execute_process(COMMAND stat -c %a ${PREFIJO}/lib/cobranzia/Cobranzia.mdb OUTPUT_VARIABLE modo
                OUTPUT_STRIP_TRAILING_WHITESPACE)
if(NOT modo STREQUAL "600")
  message(FATAL_ERROR "la base de datos tiene el modo ${modo}, no 600")
endif()

file(WRITE ${PREFIJO}/lib/cobranzia/Cobranzia.mdb "datos del usuario")
instalar()
file(READ ${PREFIJO}/lib/cobranzia/Cobranzia.mdb contenido)
if(NOT contenido STREQUAL "datos del usuario")
  message(FATAL_ERROR "la segunda instalación pisó la base de datos")
endif()
file(REMOVE_RECURSE ${PREFIJO})
