# The Debian package: built with CPack into a scratch folder, listed, unpacked without dpkg's
# database, and its device host and registry tool started from the unpacked tree. The
# sanitizer pass builds no package.
if(NOT QMX2_SANITIZE)
  add_test(NAME packaging_deb_test
    COMMAND sh ${CMAKE_CURRENT_LIST_DIR}/deb_package_test.sh ${CMAKE_BINARY_DIR} ${QMX2_GUI})
  set_tests_properties(packaging_deb_test PROPERTIES LABELS package TIMEOUT 120
    SKIP_RETURN_CODE 77)
endif()
