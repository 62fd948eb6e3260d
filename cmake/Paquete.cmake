# cpack -G DEB in the build folder makes cobranzia_VERSION_ARCH.deb from the
# install rules. The package holds no user data: each user's program makes
# its own database.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME cobranzia)
set(CPACK_PACKAGE_VENDOR Cobranzia)
set(CPACK_PACKAGE_CONTACT ${COBRANZIA_MANTENEDOR})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# What the program opens at run time rather than links: the ODBC drivers and
# Qt's ODBC plugin, the installer tools, the fonts, Qt's Spanish texts, and
# Qt's SVG icon engine for the preview's own toolbar icons.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "libsqliteodbc, libqt6sql6-odbc, odbcinst, unixodbc, libqt6svg6, fonts-wine, fonts-dejavu-core, qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS odbc-postgresql)
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "código de control y listado de archivos de débitos
Cobranzia es la herramienta de la oficina de cobranzas para los archivos de
débitos: archivos de texto con un registro por línea.

Con un solo botón guarda las líneas de detalle del archivo en la base de
datos, calcula su código de control (una cadena MD5 de 32 dígitos
hexadecimales) y muestra su listado, que se imprime o se guarda como PDF.
Desde la línea de órdenes procesa y verifica archivos sin abrir la ventana.

Cada usuario guarda sus datos en su propia carpeta, en una base SQLite, o en
un servidor PostgreSQL compartido por la oficina; las herramientas ODBC leen
esos datos por el origen de datos de usuario «Cobranzia».")

include(CPack)
