# Lays out a fresh home folder for every test: HOME, runtime and temporary folders.
file(REMOVE_RECURSE ${RAIZ})
string(REPLACE "," ";" PRUEBAS "${PRUEBAS}")
foreach(prueba IN LISTS PRUEBAS)
  file(MAKE_DIRECTORY ${RAIZ}/${prueba}/run ${RAIZ}/${prueba}/tmp ${RAIZ}/${prueba}/.config)
  file(CHMOD ${RAIZ}/${prueba}/run PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)
endforeach()
