# Release packages (make dist), named after project(VERSION):
#   native build:      velmora-VERSION-linux-x86_64.tar.gz and a .deb with /usr/bin/velmora
#   mingw-w64 build:   velmora-VERSION-win64.zip with velmora.exe, README.md and examples/
# The program has no --version option (its one argument is always the data file), so the
# version lives in these names and in the README.
if(WIN32)
  set(VELMORA_DOCDIR .)
else()
  set(VELMORA_DOCDIR share/doc/velmora)
endif()
install(FILES README.md DESTINATION ${VELMORA_DOCDIR})
if(IS_DIRECTORY ${PROJECT_SOURCE_DIR}/examples)
  install(DIRECTORY examples DESTINATION ${VELMORA_DOCDIR} USE_SOURCE_PERMISSIONS)
endif()

set(CPACK_PACKAGE_NAME velmora)
set(CPACK_PACKAGE_VENDOR velmora)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
  "IBANs and BICs for account records, and ISO 20022 payment files, in batch")
set(CPACK_PACKAGE_CONTACT "velmora maintainers <velmora@localhost>" CACHE STRING
  "Maintainer named in the .deb")
set(CPACK_STRIP_FILES ON)
if(WIN32)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME velmora-${PROJECT_VERSION}-win64)
else()
  set(CPACK_GENERATOR TGZ DEB)
  set(CPACK_PACKAGE_FILE_NAME velmora-${PROJECT_VERSION}-linux-${CMAKE_SYSTEM_PROCESSOR})
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION utils)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
endif()
include(CPack)
