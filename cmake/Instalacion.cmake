# cmake --install build --prefix P lays out P/lib/cobranzia/ as the program
# folder, P/bin/cobranzia pointing at it, and the desktop integration, manual
# and documentation under P/share/. No install holds user data: each user's
# database is made by the program in that user's data folder.
include(GNUInstallDirs)

set(COBRANZIA_MANTENEDOR "Equipo de Cobranzia <desarrollo@cobranzia.com>"
    CACHE STRING "Maintainer of the Debian package, as its changelog signs")

# Not CMAKE_INSTALL_LIBDIR: under /usr that is the multiarch folder, and the
# program folder is the same on every architecture.
set(COBRANZIA_DESTINO lib/cobranzia)
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

install(TARGETS cobranzia RUNTIME DESTINATION ${COBRANZIA_DESTINO})
install(TARGETS md5 LIBRARY DESTINATION ${COBRANZIA_DESTINO})
install(FILES ${DATOS_PROGRAMA} DESTINATION ${COBRANZIA_DESTINO})
install(CODE "
  file(MAKE_DIRECTORY \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/bin\")
  file(CREATE_LINK ../${COBRANZIA_DESTINO}/cobranzia
       \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/bin/cobranzia\" SYMBOLIC)
")

# Desktop integration.
set(COBRANZIA_ID com.cobranzia.Cobranzia)
install(FILES resources/${COBRANZIA_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_BINARY_DIR}/${COBRANZIA_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES resources/cobranzia-mime.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages
        RENAME cobranzia.xml)
install(DIRECTORY resources/iconos/hicolor DESTINATION ${CMAKE_INSTALL_DATADIR}/icons)
install(FILES resources/cobranzia.bash-completion
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME cobranzia)

# The AppStream release, the manual page and the changelog carry the version
# and the day of the release. The changelog's signature wants the day as
# RFC 5322 has it.
execute_process(COMMAND date -u -R -d ${COBRANZIA_FECHA}
                OUTPUT_VARIABLE COBRANZIA_FECHA_CAMBIOS OUTPUT_STRIP_TRAILING_WHITESPACE
                COMMAND_ERROR_IS_FATAL ANY)
configure_file(resources/${COBRANZIA_ID}.metainfo.xml.in ${COBRANZIA_ID}.metainfo.xml @ONLY)

# The manual page and the changelog go compressed, as Debian has them; gzip -n
# keeps the build's time out of the file.
set(COBRANZIA_COMPRIMIDOS ${CMAKE_BINARY_DIR}/comprimidos)
set(comprimidos "")
foreach(nombre IN ITEMS cobranzia.1 changelog)
  set(destino ${COBRANZIA_COMPRIMIDOS}/${nombre})
  configure_file(docs/${nombre}.in ${destino} @ONLY)
  add_custom_command(OUTPUT ${destino}.gz
    COMMAND gzip -9nkf ${destino}
    DEPENDS ${destino}
    VERBATIM)
  list(APPEND comprimidos ${destino}.gz)
endforeach()
add_custom_target(documentos_comprimidos ALL DEPENDS ${comprimidos})

install(FILES ${COBRANZIA_COMPRIMIDOS}/cobranzia.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
set(COBRANZIA_DOCUMENTOS ${CMAKE_INSTALL_DATADIR}/doc/cobranzia)
install(FILES docs/copyright ${COBRANZIA_COMPRIMIDOS}/changelog.gz
        DESTINATION ${COBRANZIA_DOCUMENTOS})
install(FILES resources/cobranzia.lintian-overrides
        DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME cobranzia)
