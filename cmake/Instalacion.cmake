# cmake --install build --prefix P lays out P/lib/cobranzia/ as the program
# folder, P/bin/cobranzia pointing at it, and the desktop entry and icon.
include(GNUInstallDirs)

set(COBRANZIA_DESTINO lib/cobranzia)

install(TARGETS cobranzia RUNTIME DESTINATION ${COBRANZIA_DESTINO})
install(TARGETS md5 LIBRARY DESTINATION ${COBRANZIA_DESTINO})
install(FILES ${DATOS_PROGRAMA} DESTINATION ${COBRANZIA_DESTINO})
install(CODE "
  file(MAKE_DIRECTORY \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/bin\")
  file(CREATE_LINK ../${COBRANZIA_DESTINO}/cobranzia
       \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/bin/cobranzia\" SYMBOLIC)
  execute_process(
    COMMAND \"$<TARGET_FILE:cobranzia-crear-base>\"
            \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${COBRANZIA_DESTINO}/Cobranzia.mdb\"
    RESULT_VARIABLE resultado)
  if(NOT resultado EQUAL 0)
    message(FATAL_ERROR \"No se pudo crear la base de datos del programa\")
  endif()
")
if(EXISTS ${CMAKE_SOURCE_DIR}/resources/cobranzia.desktop)
  install(FILES resources/cobranzia.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
endif()
if(EXISTS ${CMAKE_SOURCE_DIR}/resources/icono.png)
  install(FILES resources/icono.png DESTINATION ${CMAKE_INSTALL_DATADIR}/pixmaps
          RENAME cobranzia.png)
endif()
