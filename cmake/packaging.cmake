# Release packages (make dist), named after project(VERSION):
#   native build:     velmora-VERSION-linux-x86_64.tar.gz and velmora_VERSION_amd64.deb with
#                     bin/velmora, bin/velmora-bic, the manual pages share/man/man1/
#                     velmora.1.gz and velmora-bic.1.gz, and in
#                     share/doc/velmora the licence (in Debian's copyright format), the
#                     changelog, README.md, the German guide anleitung.md and examples/
#   mingw-w64 build:  velmora-VERSION-win64.zip with velmora.exe, LIESMICH.txt (the German
#                     guide), LICENSE.txt, README.md, beispiel.bat and its example in beispiel/
# The program has no --version option (its one argument is always the data file), so the
# version lives in these names, in the README, in the changelog and, on Windows, in the
# version resource of velmora.exe.
set(VELMORA_MAINTAINER "the velmora authors <velmora@example.org>" CACHE STRING
  "Maintainer of the packages, named in the .deb and its copyright file")
set(VELMORA_HOMEPAGE "https://velmora.example.org/" CACHE STRING "Homepage named in the .deb")

set(dist ${CMAKE_BINARY_DIR}/dist)
# The texts below are read when CMake configures: a change to them configures again.
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
  ${PROJECT_SOURCE_DIR}/LICENSE ${PROJECT_SOURCE_DIR}/doc/anleitung.md
  ${PROJECT_SOURCE_DIR}/examples/beispiel.bat)
file(READ ${PROJECT_SOURCE_DIR}/LICENSE licence)

# Writes text to dist/name with CR LF line ends.
function(velmora_write_crlf name text)
  string(REPLACE "\r\n" "\n" text "${text}")
  string(REPLACE "\n" "\r\n" text "${text}")
  file(WRITE ${dist}/${name} "${text}")
endfunction()

if(WIN32)
  # Windows users open these with a double click: .txt names and CR LF line ends. The guide
  # also gets a UTF-8 byte order mark, without which older Notepads garble its umlauts.
  file(READ ${PROJECT_SOURCE_DIR}/doc/anleitung.md guide)
  file(READ ${PROJECT_SOURCE_DIR}/examples/beispiel.bat batch)
  string(ASCII 239 187 191 bom)
  velmora_write_crlf(LIESMICH.txt "${bom}${guide}")
  velmora_write_crlf(LICENSE.txt "${licence}")
  velmora_write_crlf(beispiel.bat "${batch}")
  install(FILES ${dist}/LIESMICH.txt ${dist}/LICENSE.txt ${dist}/beispiel.bat README.md
    DESTINATION .)
  # The example that beispiel.bat runs, under German names.
  install(FILES examples/data.csv DESTINATION beispiel RENAME konten.csv)
  install(FILES examples/payment.xml DESTINATION beispiel RENAME zahlung.xml)
  install(FILES examples/BIC.csv DESTINATION beispiel)
else()
  # The licence as Debian's machine-readable copyright file, where the MIT licence is called
  # Expat: its terms indented by one blank, with " ." for an empty line.
  string(REGEX MATCH "Copyright \\(c\\) ([^\n]*)" line "${licence}")
  set(holder ${CMAKE_MATCH_1})
  string(REGEX REPLACE "^.*Copyright \\(c\\) [^\n]*\n\n(.*[^\n])\n*$" "\\1" terms "${licence}")
  string(REPLACE "\n\n" "\n.\n" terms "${terms}")
  string(REPLACE "\n" "\n " terms " ${terms}")
  file(WRITE ${dist}/copyright
    "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n"
    "Upstream-Name: velmora\n"
    "Upstream-Contact: ${VELMORA_MAINTAINER}\n"
    "Source: ${VELMORA_HOMEPAGE}\n"
    "\n"
    "Files: *\n"
    "Copyright: ${holder}\n"
    "License: Expat\n"
    "${terms}\n")
  # Manual page and changelog compressed as Debian wants them: gzip -9, no name or time
  # stamp in the header, so that equal sources give equal packages.
  foreach(doc doc/velmora.1 doc/velmora-bic.1 doc/changelog)
    get_filename_component(name ${doc} NAME)
    add_custom_command(OUTPUT ${dist}/${name}.gz
      COMMAND sh -c "gzip -9nc \"$1\" > \"$2\"" sh ${PROJECT_SOURCE_DIR}/${doc} ${dist}/${name}.gz
      DEPENDS ${PROJECT_SOURCE_DIR}/${doc} VERBATIM)
    list(APPEND compressed ${dist}/${name}.gz)
  endforeach()
  add_custom_target(velmora_docs ALL DEPENDS ${compressed})
  install(FILES ${dist}/velmora.1.gz ${dist}/velmora-bic.1.gz DESTINATION share/man/man1)
  install(FILES ${dist}/copyright ${dist}/changelog.gz README.md doc/anleitung.md
    DESTINATION share/doc/velmora)
  install(DIRECTORY examples DESTINATION share/doc/velmora USE_SOURCE_PERMISSIONS
    PATTERN *.bat EXCLUDE)
endif()

set(CPACK_PACKAGE_NAME velmora)
set(CPACK_PACKAGE_VENDOR "the velmora authors")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
  "IBANs and BICs for account records, and ISO 20022 payment files, in batch")
# The .deb's extended description: Debian wants lines of at most 80 characters.
set(CPACK_PACKAGE_DESCRIPTION "velmora reads a file of account records (record number, country
code, bank code, account number, IBAN) and writes a result file beside it: for
every record the IBAN built from bank code and account number, or the given
IBAN checked and split into its parts, the BIC from a BIC directory kept beside
the data file, and a two-digit result code. It knows 30 IBAN countries, most
of them in Europe.
It also harvests the accounts and BICs of ISO 20022 credit-transfer files
(pain.001) into the data file, and writes copies of such files with every
account and bank identified the way the user's bank wants. Its messages,
manual page and guide are German.")
set(CPACK_PACKAGE_CONTACT "${VELMORA_MAINTAINER}")
set(CPACK_PACKAGE_HOMEPAGE_URL "${VELMORA_HOMEPAGE}")
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
