# The GoogleTest programs built for Windows, as windows_test_programs: every tests/*Test.cpp but
# those not-on-windows.txt names (with the reason). Both the cross-build and the Linux test build
# that runs them under Wine take the list from here.
file(STRINGS ${CMAKE_CURRENT_LIST_DIR}/not-on-windows.txt not_on_windows REGEX "^[A-Za-z]")
list(TRANSFORM not_on_windows REPLACE " .*" "")
file(GLOB windows_test_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/../*Test.cpp)
set(windows_test_programs)
foreach(test_source IN LISTS windows_test_sources)
  get_filename_component(test_name "${test_source}" NAME_WE)
  if(NOT test_name IN_LIST not_on_windows)
    list(APPEND windows_test_programs ${test_name})
  endif()
endforeach()
