# The release package: the executable, the README, the LICENSE, the third-party notices and the
# bill of materials in a zip whose bytes depend on nothing but the source and the toolchain. Its
# one time is SOURCE_DATE_EPOCH if set, else the time of the commit, else a fixed time.
find_package(Python3 COMPONENTS Interpreter)
if(NOT Python3_Interpreter_FOUND)
  message(STATUS "No Python: the release package is not built")
  return()
endif()
# Its notices name the libraries of Debian's mingw-w64 toolchain, from that toolchain's records.
find_program(DPKG_QUERY dpkg-query)
if(MSVC OR NOT DPKG_QUERY)
  message(STATUS "Not Debian's mingw-w64 toolchain: the release package is not built")
  return()
endif()

# They also read what each linked file states in mingw-w64's own source, which
# scripts/install-deps release fetches once per machine; a plain build has none, and no package.
set(RELEASE_TOOLS ${PROJECT_SOURCE_DIR}/tools/release)
execute_process(COMMAND ${Python3_EXECUTABLE} ${RELEASE_TOOLS}/third_party.py sources mingw-w64-x86-64-dev
                OUTPUT_VARIABLE MINGW_SOURCES OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
if(NOT IS_DIRECTORY "${MINGW_SOURCES}")
  message(STATUS "mingw-w64's sources are not fetched (scripts/install-deps release): the release package is not built")
  return()
endif()

if(DEFINED ENV{SOURCE_DATE_EPOCH})
  set(RELEASE_EPOCH $ENV{SOURCE_DATE_EPOCH})
else()
  execute_process(COMMAND git log -1 --format=%ct
                  WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
                  OUTPUT_VARIABLE RELEASE_EPOCH OUTPUT_STRIP_TRAILING_WHITESPACE
                  RESULT_VARIABLE gitStatus ERROR_QUIET)
  if(NOT gitStatus EQUAL 0 OR NOT RELEASE_EPOCH MATCHES "^[0-9]+$")
    set(RELEASE_EPOCH 1767225600) # 2026-01-01, for a tree that is not a git checkout
  endif()
endif()

# scripts/release packs the signed executable again at the same time.
file(WRITE ${PROJECT_BINARY_DIR}/release-epoch "${RELEASE_EPOCH}\n")

# The notices and the bill of materials come from the link itself: which library code the
# linker took (its map), and the Debian records of the packages that hold it.
set(NOTICES ${PROJECT_BINARY_DIR}/THIRD-PARTY-NOTICES.txt)
set(LINKED_LIBRARIES ${PROJECT_BINARY_DIR}/linked-libraries.json)
set(BILL_OF_MATERIALS ${PROJECT_BINARY_DIR}/${PROJECT_NAME}.cdx.json)
add_custom_command(
  OUTPUT ${NOTICES} ${LINKED_LIBRARIES}
  COMMAND ${Python3_EXECUTABLE} ${RELEASE_TOOLS}/third_party.py notices ${LINK_MAP}
          $<TARGET_LINKER_FILE_NAME:fx2core> CMakeFiles/fx2-driver-remover.dir/
          --out ${NOTICES} --libraries ${LINKED_LIBRARIES}
  DEPENDS fx2-driver-remover ${RELEASE_TOOLS}/third_party.py ${RELEASE_TOOLS}/gcc-objects.tsv
  COMMENT "Writing the third-party notices from the link")
# scripts/release writes the bill again after signing, for the signed executable.
add_custom_command(
  OUTPUT ${BILL_OF_MATERIALS}
  COMMAND ${Python3_EXECUTABLE} ${RELEASE_TOOLS}/third_party.py sbom ${LINKED_LIBRARIES}
          $<TARGET_FILE:fx2-driver-remover> ${PROJECT_VERSION} ${RELEASE_EPOCH}
          --out ${BILL_OF_MATERIALS}
  DEPENDS fx2-driver-remover ${LINKED_LIBRARIES} ${RELEASE_TOOLS}/third_party.py
  COMMENT "Writing the bill of materials")

set(RELEASE_PACKAGE ${PROJECT_BINARY_DIR}/${PROJECT_NAME}-${PROJECT_VERSION}-win64.zip)
add_custom_command(
  OUTPUT ${RELEASE_PACKAGE}
  COMMAND ${Python3_EXECUTABLE} ${PROJECT_SOURCE_DIR}/scripts/release-zip ${RELEASE_PACKAGE}
          ${RELEASE_EPOCH} $<TARGET_FILE:fx2-driver-remover> ${PROJECT_SOURCE_DIR}/README.md
          ${PROJECT_SOURCE_DIR}/LICENSE ${NOTICES} ${BILL_OF_MATERIALS}
  DEPENDS fx2-driver-remover ${PROJECT_SOURCE_DIR}/scripts/release-zip
          ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/LICENSE ${NOTICES} ${BILL_OF_MATERIALS}
  COMMENT "Packing ${PROJECT_NAME}-${PROJECT_VERSION}-win64.zip")
add_custom_target(release_package ALL DEPENDS ${RELEASE_PACKAGE})
