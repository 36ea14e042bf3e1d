# `make package`: a Debian package of everything `cmake --install` installs, its dependencies
# computed from the programs and libraries, the files under /etc kept as configuration files.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tarrow)
set(CPACK_PACKAGE_VENDOR "Corvane Technology")
set(CPACK_PACKAGE_CONTACT "Corvane Technology <support@corvane.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Corvane Tarrow board software: Vtx library, tarrow tool, board simulator")
set(CPACK_PACKAGE_DESCRIPTION
    "The Vtx board programming library with its headers, the Device Details page provider, the host module libraries (tarrowhm, and tarrowsip for T.38 fax calls over SIP), the tarrow administration tool and the tarrow-simd board simulator with its service.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_INSTALL_PREFIX /usr)
# The install runs with the prefix /usr and the staging folder as DESTDIR, so that the files
# kept under /etc land there.
set(CPACK_SET_DESTDIR ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION admin)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS adduser)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

get_property(tarrow_conffiles GLOBAL PROPERTY TARROW_CONFFILES)
list(JOIN tarrow_conffiles "\n" tarrow_conffile_lines)
file(WRITE ${PROJECT_BINARY_DIR}/debian/conffiles "${tarrow_conffile_lines}\n")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${PROJECT_BINARY_DIR}/debian/conffiles
    ${PROJECT_SOURCE_DIR}/dist/debian/postinst ${PROJECT_SOURCE_DIR}/dist/debian/prerm)
include(CPack)
