# Install rules and packages: the Debian package and the RPM (release preset), the portable
# Linux .tar.gz (portable preset, statically linked) and the Windows .zip (windows preset).
# tools/make-release builds them all.

set(KELMOR_DOC_FILES README.md LICENSE)
set(KELMOR_EXAMPLE_FILES examples/spectrum.txt examples/bands.txt)

if(WIN32)
  # The archive's top folder holds kelmor.exe, the documents and the examples, text files with
  # CR LF line ends so that every Windows editor shows them right.
  install(TARGETS kelmor RUNTIME DESTINATION .)
  foreach(file IN LISTS KELMOR_DOC_FILES KELMOR_EXAMPLE_FILES)
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/${file})
    file(READ ${PROJECT_SOURCE_DIR}/${file} text)
    string(REPLACE "\r\n" "\n" text "${text}")
    string(REPLACE "\n" "\r\n" text "${text}")
    file(WRITE ${PROJECT_BINARY_DIR}/crlf/${file} "${text}")
    get_filename_component(folder ${file} DIRECTORY)
    install(FILES ${PROJECT_BINARY_DIR}/crlf/${file} DESTINATION ./${folder})
  endforeach()
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME kelmor-${PROJECT_VERSION}-windows-x86_64)
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
else()
  include(GNUInstallDirs)
  find_program(GZIP_EXECUTABLE gzip REQUIRED)
  # Compressed as Debian policy asks: best compression, no name or time stamp inside.
  function(kelmor_gzip source output)
    add_custom_command(OUTPUT ${output}
                       COMMAND ${GZIP_EXECUTABLE} -9n -c ${source} > ${output}
                       DEPENDS ${source} VERBATIM)
  endfunction()
  kelmor_gzip(${PROJECT_SOURCE_DIR}/doc/kelmor.1 ${PROJECT_BINARY_DIR}/kelmor.1.gz)
  kelmor_gzip(${PROJECT_SOURCE_DIR}/packaging/changelog ${PROJECT_BINARY_DIR}/changelog.gz)
  add_custom_target(kelmor_docs ALL
                    DEPENDS ${PROJECT_BINARY_DIR}/kelmor.1.gz ${PROJECT_BINARY_DIR}/changelog.gz)

  install(TARGETS kelmor RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${PROJECT_BINARY_DIR}/kelmor.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  install(FILES ${KELMOR_DOC_FILES} ${PROJECT_BINARY_DIR}/changelog.gz
                packaging/copyright
          DESTINATION ${CMAKE_INSTALL_DOCDIR})
  install(FILES ${KELMOR_EXAMPLE_FILES} DESTINATION ${CMAKE_INSTALL_DOCDIR}/examples)

  set(CPACK_GENERATOR DEB)
  set(CPACK_STRIP_FILES ON)
  set(CPACK_DEBIAN_PACKAGE_SECTION science)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "libc6 (>= 2.34), libstdc++6 (>= 12), libgcc-s1 (>= 3.0)")
  set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_RPM_FILE_NAME RPM-DEFAULT)
  set(CPACK_RPM_PACKAGE_LICENSE MIT)
  set(CPACK_RPM_PACKAGE_GROUP "Applications/Engineering")
  set(CPACK_RPM_SPEC_MORE_DEFINE "%define _build_id_links none")
  # The RPM owns its files only, not the system folders they go into.
  set(CPACK_RPM_EXCLUDE_FROM_AUTO_FILELIST_ADDITION
      /usr/share/man /usr/share/man/man1 /usr/share/doc)
  set(CPACK_PACKAGE_FILE_NAME kelmor-${PROJECT_VERSION}-linux-x86_64)
endif()

set(CPACK_PACKAGE_NAME kelmor)
set(CPACK_PACKAGE_VENDOR "Halvane")
set(CPACK_PACKAGE_CONTACT "Kelmor maintainers <kelmor@halvane.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "convert a narrowband spectrum to octave or one-third-octave bands")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "Kelmor converts a narrowband Fourier spectrum (frequency and amplitude pairs,\n"
    "peak or RMS) into an octave or one-third-octave band spectrum of band RMS\n"
    "levels.")
set(CPACK_RPM_PACKAGE_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
include(CPack)
