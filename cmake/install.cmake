# Installation: libsvrZIVE.so, its headers under include/svrZIVE/ (included as
# "base/variant.h", "declarations/cZIVEDeclarante.h", ... as inside the
# project), the zive command and a CMake package, so that a C++ client writes
#
#   find_package(svrZIVE REQUIRED)
#   target_link_libraries(client PRIVATE svrZIVE::svrZIVE)
include(CMakePackageConfigHelpers)

set(ZIVE_PACKAGE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/svrZIVE)

install(TARGETS svrZIVE EXPORT svrZIVETargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/svrZIVE)
set_target_properties(zive PROPERTIES INSTALL_RPATH "$ORIGIN/../${CMAKE_INSTALL_LIBDIR}")
install(TARGETS zive RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# The engine's SQLite-facing internals stay out: no installed header needs
# sqlite3.h.
foreach(folder base frame engine reference declarations forms upgrade)
  install(DIRECTORY ${PROJECT_SOURCE_DIR}/${folder}/
    DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/svrZIVE/${folder}
    FILES_MATCHING PATTERN "*.h"
    PATTERN "sqlite_db.h" EXCLUDE
    PATTERN "engine_impl.h" EXCLUDE
    PATTERN "catalog_store.h" EXCLUDE)
endforeach()

install(EXPORT svrZIVETargets NAMESPACE svrZIVE:: DESTINATION ${ZIVE_PACKAGE_DIR})
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/svrZIVEConfig.cmake.in
  ${PROJECT_BINARY_DIR}/svrZIVEConfig.cmake INSTALL_DESTINATION ${ZIVE_PACKAGE_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/svrZIVEConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/svrZIVEConfig.cmake ${PROJECT_BINARY_DIR}/svrZIVEConfigVersion.cmake
  DESTINATION ${ZIVE_PACKAGE_DIR})
