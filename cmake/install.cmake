# What `cmake --install` puts where: the libraries with their headers, pkg-config file and CMake
# package for application authors; the programs, relocatable with a RUNPATH relative to their own
# folder; the shipped machine files and examples; the configuration examples under /etc/corvane.
include(CMakePackageConfigHelpers)

# The installed programs find the libraries beside them; the libraries find each other in their
# own folder. Nothing points back into the build tree.
file(RELATIVE_PATH tarrow_libdir_from_bindir ${CMAKE_INSTALL_FULL_BINDIR} ${CMAKE_INSTALL_FULL_LIBDIR})
foreach(program tarrow tarrow-simd)
  if(TARGET ${program})
    set_target_properties(${program} PROPERTIES INSTALL_RPATH "$ORIGIN/${tarrow_libdir_from_bindir}")
    install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endforeach()

set_target_properties(vtx PROPERTIES VERSION ${PROJECT_VERSION} SOVERSION ${PROJECT_VERSION_MAJOR})
install(TARGETS vtx EXPORT TarrowTargets
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
# The provider and the host module library are opened by name at run time, not linked against:
# plugins without a version in their file name.
set_target_properties(crvnTdevpp PROPERTIES INSTALL_RPATH "$ORIGIN")
install(TARGETS crvnTdevpp tarrowhm LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
# The SIP host module library (where libre is built for), its example configuration and a SIPp
# scenario that places a T.38 call to it.
if(TARGET tarrowsip)
  install(TARGETS tarrowsip LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
  install(FILES ${PROJECT_SOURCE_DIR}/ipcc/examples/callctrl-sip.cfg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/tarrow/examples)
  install(FILES ${PROJECT_SOURCE_DIR}/tests/sip/t38_call.xml
          DESTINATION ${CMAKE_INSTALL_DATADIR}/tarrow/examples RENAME sipp-t38-call.xml)
endif()

file(GLOB tarrow_public_headers ${PROJECT_SOURCE_DIR}/inc/*.h)
install(FILES ${tarrow_public_headers} DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/tarrow)

install(EXPORT TarrowTargets NAMESPACE Tarrow:: DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/Tarrow)
configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/TarrowConfig.cmake.in
                              ${PROJECT_BINARY_DIR}/TarrowConfig.cmake
                              INSTALL_DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/Tarrow)
write_basic_package_version_file(${PROJECT_BINARY_DIR}/TarrowConfigVersion.cmake
                                 COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/TarrowConfig.cmake ${PROJECT_BINARY_DIR}/TarrowConfigVersion.cmake
        DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/Tarrow)

file(RELATIVE_PATH tarrow_prefix_from_pcdir ${CMAKE_INSTALL_FULL_LIBDIR}/pkgconfig
     ${CMAKE_INSTALL_PREFIX})
string(REGEX REPLACE "/$" "" tarrow_prefix_from_pcdir "${tarrow_prefix_from_pcdir}")
configure_file(${CMAKE_CURRENT_LIST_DIR}/tarrow.pc.in ${PROJECT_BINARY_DIR}/tarrow.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/tarrow.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

install(DIRECTORY ${PROJECT_SOURCE_DIR}/sim/boards DESTINATION ${CMAKE_INSTALL_DATADIR}/tarrow)
install(FILES ${PROJECT_SOURCE_DIR}/callctrl/examples/callctrl.cfg
              ${PROJECT_SOURCE_DIR}/lineconfig/examples/cvcall.cfg
              ${PROJECT_SOURCE_DIR}/lineconfig/examples/cv_cparm.txt
        DESTINATION ${CMAKE_INSTALL_DATADIR}/tarrow/examples)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/portcc/examples/ ${PROJECT_SOURCE_DIR}/examples/
        DESTINATION ${CMAKE_INSTALL_DATADIR}/tarrow/examples)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/portcc/descriptions
        DESTINATION ${CMAKE_INSTALL_DATADIR}/tarrow/examples)

# Configuration examples, installed where the prefix given at install time says: /etc under the
# /usr prefix (the package's), PREFIX/etc under any other, so that an install into a private
# prefix writes nothing outside it. The package marks them as configuration files.
function(tarrow_install_conffile file folder)
  get_filename_component(name ${file} NAME)
  install(CODE "
    if(CMAKE_INSTALL_PREFIX STREQUAL \"/usr\")
      set(conf_root /etc)
    else()
      set(conf_root \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_SYSCONFDIR}\")
    endif()
    file(INSTALL ${file} DESTINATION \"\${conf_root}/${folder}\")")
  set_property(GLOBAL APPEND PROPERTY TARROW_CONFFILES /etc/${folder}/${name})
endfunction()
tarrow_install_conffile(${PROJECT_SOURCE_DIR}/dist/etc/registry.reg corvane)
# The user preference file and the country parameter file that every line reset reads, so that an
# installed system resets its lines quietly from any folder. The country parameter file is
# written from its description by the tool of this build (not when cross-building: the tool does
# not run here).
tarrow_install_conffile(${PROJECT_SOURCE_DIR}/lineconfig/examples/cvcall.cfg corvane)
if(TARGET tarrow AND NOT CMAKE_CROSSCOMPILING)
  set(tarrow_country_description ${PROJECT_SOURCE_DIR}/lineconfig/examples/cv_cparm.txt)
  set(tarrow_country_file ${PROJECT_BINARY_DIR}/CV_CPARM.CFG)
  add_custom_command(OUTPUT ${tarrow_country_file}
                     COMMAND tarrow cparm write ${tarrow_country_description} ${tarrow_country_file}
                     DEPENDS tarrow ${tarrow_country_description}
                     COMMENT "Writing the installed country parameter file")
  add_custom_target(country_parameter_file ALL DEPENDS ${tarrow_country_file})
  tarrow_install_conffile(${tarrow_country_file} corvane)
endif()
tarrow_install_conffile(${PROJECT_SOURCE_DIR}/dist/etc/default/tarrow-simd default)

install(FILES ${PROJECT_SOURCE_DIR}/dist/completion/tarrow
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)
install(FILES ${PROJECT_SOURCE_DIR}/dist/completion/tarrow
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME tarrow-simd)

# The simulator as a service, and the udev rule that gives the group tarrow the device node.
install(FILES ${PROJECT_SOURCE_DIR}/dist/systemd/tarrow-simd.service
        DESTINATION ${CMAKE_INSTALL_LIBDIR}/systemd/system)
install(FILES ${PROJECT_SOURCE_DIR}/dist/udev/60-tarrow.rules DESTINATION ${CMAKE_INSTALL_DATADIR}/tarrow/udev)
