# The release package: the executable, the README and the LICENSE in a zip whose bytes depend on
# nothing but the source. Its one time is SOURCE_DATE_EPOCH if set, else the time of the commit,
# else a fixed time.
find_package(Python3 COMPONENTS Interpreter)
if(NOT Python3_Interpreter_FOUND)
  message(STATUS "No Python: the release package is not built")
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

set(RELEASE_PACKAGE ${PROJECT_BINARY_DIR}/${PROJECT_NAME}-${PROJECT_VERSION}-win64.zip)
add_custom_command(
  OUTPUT ${RELEASE_PACKAGE}
  COMMAND ${Python3_EXECUTABLE} ${PROJECT_SOURCE_DIR}/scripts/release-zip ${RELEASE_PACKAGE}
          ${RELEASE_EPOCH} $<TARGET_FILE:fx2-driver-remover> ${PROJECT_SOURCE_DIR}/README.md
          ${PROJECT_SOURCE_DIR}/LICENSE
  DEPENDS fx2-driver-remover ${PROJECT_SOURCE_DIR}/scripts/release-zip
          ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/LICENSE
  COMMENT "Packing ${PROJECT_NAME}-${PROJECT_VERSION}-win64.zip")
add_custom_target(release_package ALL DEPENDS ${RELEASE_PACKAGE})
