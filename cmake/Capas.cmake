# Every layer of the program is a library whose headers only the targets that
# link it can reach. The headers of a layer are linked into a folder of its own
# in the build tree, under the same path as in the sources ("platform/base/Conexion.h"),
# and that folder is the layer's only include directory: a header of a layer
# that a target does not declare is not found, so a wrong-way include fails the
# build.
function(capa objetivo carpeta)
  file(GLOB cabeceras CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${carpeta}/*.h)
  set(raiz ${CMAKE_BINARY_DIR}/capas/${objetivo})
  file(REMOVE_RECURSE ${raiz})
  file(MAKE_DIRECTORY ${raiz}/${carpeta})
  foreach(cabecera IN LISTS cabeceras)
    get_filename_component(nombre ${cabecera} NAME)
    file(CREATE_LINK ${cabecera} ${raiz}/${carpeta}/${nombre} SYMBOLIC)
  endforeach()
  target_include_directories(${objetivo} PUBLIC ${raiz})
endfunction()

# A static library of the sources of one folder, with its headers as a layer.
# A main.cpp in the folder belongs to an executable, not to the library.
function(biblioteca objetivo carpeta)
  file(GLOB fuentes CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${carpeta}/*.cpp
       ${CMAKE_SOURCE_DIR}/${carpeta}/*.h)
  list(FILTER fuentes EXCLUDE REGEX "/main\\.cpp$")
  add_library(${objetivo} STATIC ${fuentes} ${ARGN})
  target_link_libraries(${objetivo} PRIVATE cobranzia_avisos)
  capa(${objetivo} ${carpeta})
endfunction()
