# SPDX-FileCopyrightText: 2026 Donguri developers
# SPDX-License-Identifier: GPL-3.0-or-later
# The Debian package (cpack -G DEB in the build folder; scripts/package builds it with Debian's
# hardening flags and checks it with lintian).

# Who answers for the package: set DONGURI_MAINTAINER, or Debian's DEBFULLNAME and DEBEMAIL (or
# EMAIL) as for dch, or else it is whoever commits to this checkout, as git knows them.
function(donguri_default_maintainer out)
  set(name "$ENV{DEBFULLNAME}")
  set(mail "$ENV{DEBEMAIL}")
  if(mail STREQUAL "")
    set(mail "$ENV{EMAIL}")
  endif()
  if(mail MATCHES "^(.*[^ ]) *<([^>]+)>$") # DEBEMAIL may hold "Name <address>"
    set(name "${CMAKE_MATCH_1}")
    set(mail "${CMAKE_MATCH_2}")
  endif()
  find_package(Git QUIET)
  if(mail STREQUAL "" AND GIT_FOUND)
    execute_process(COMMAND ${GIT_EXECUTABLE} config user.email WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
                    OUTPUT_VARIABLE mail OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
  endif()
  if(name STREQUAL "" AND GIT_FOUND)
    execute_process(COMMAND ${GIT_EXECUTABLE} config user.name WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
                    OUTPUT_VARIABLE name OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
  endif()
  if(name STREQUAL "")
    set(name "Donguri developers")
  endif()
  set(${out} "${name} <${mail}>" PARENT_SCOPE)
endfunction()

if(NOT DEFINED DONGURI_MAINTAINER)
  donguri_default_maintainer(maintainer)
  set(DONGURI_MAINTAINER "${maintainer}" CACHE STRING "The Debian package's maintainer, Name <address>")
endif()
# A package names a mailbox that reads its mail; lintian cannot tell a reserved name from a real one.
if(NOT DONGURI_MAINTAINER MATCHES "^[^<>]+ <[^<>@ ]+@[^<>@ ]+\\.[^<>@ ]+>$"
   OR DONGURI_MAINTAINER MATCHES "@(localhost|[^>]*\\.(example|invalid|test|localhost|localdomain))>$|@example\\.(com|org|net)>$")
  message(WARNING "The package's maintainer \"${DONGURI_MAINTAINER}\" is no address one can write to: "
                  "set DEBFULLNAME and DEBEMAIL, or -DDONGURI_MAINTAINER=\"Name <address>\"")
endif()

set(CPACK_PACKAGE_NAME donguri)
set(CPACK_PACKAGE_VENDOR "Donguri developers")
set(CPACK_PACKAGE_CONTACT "${DONGURI_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Japanese desktop assistant that answers from your own knowledge base")
# Debian shows the description as it is: lines of at most 80 characters.
set(CPACK_PACKAGE_DESCRIPTION [=[A drawn character stands on the desktop beside a question bar. Type a word
and it looks the word up in your own knowledge base, then tells its meaning
in a speech balloon, and aloud with espeak-ng's Japanese voice. Words it does
not know it asks you to teach. Every text of the program is Japanese.

The knowledge base is an SQLite file, or a PostgreSQL database that several
computers share; donguri-kb moves entries in and out as TSV or CSV files.]=])
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/COPYING)
# Debian's versions: the program's own, then the package's revision.
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(DONGURI_DEB_VERSION ${PROJECT_VERSION}-${CPACK_DEBIAN_PACKAGE_RELEASE})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-noto-cjk, libqt6svg6, qt6-translations-l10n")
# libpq5 comes through the library dependencies; the server itself is only suggested, since a
# shared knowledge base lives on another computer.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "postgresql")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "espeak-ng, kakasi")
# The binaries go in stripped; their symbols in donguri-dbgsym, as Debian's own packages do.
set(CPACK_DEBIAN_DEBUGINFO_PACKAGE ON)
