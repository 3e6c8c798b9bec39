# Forge ".pack.xz" bodies and jars, written by the host's Python (its own
# lzma and zipfile) into the build tree; the tests find them through
# BuildTreePath(L"tests\\launcher\\forge_fixtures\\...").
find_program(QUORVEL_HOST_PYTHON NAMES python3 REQUIRED NO_CMAKE_FIND_ROOT_PATH)
set(FORGE_FIXTURES_DIR ${CMAKE_CURRENT_BINARY_DIR}/forge_fixtures)
add_custom_command(OUTPUT ${FORGE_FIXTURES_DIR}/stamp
  COMMAND ${QUORVEL_HOST_PYTHON} ${CMAKE_CURRENT_SOURCE_DIR}/make_forge_fixtures.py ${FORGE_FIXTURES_DIR}
  COMMAND ${CMAKE_COMMAND} -E touch ${FORGE_FIXTURES_DIR}/stamp
  DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/make_forge_fixtures.py
  COMMENT "Writing the Forge library fixtures")
add_custom_target(forge_fixtures DEPENDS ${FORGE_FIXTURES_DIR}/stamp)
add_dependencies(launcher_tests forge_fixtures)
