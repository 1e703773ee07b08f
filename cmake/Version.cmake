# The release name the windows show, "R01.00" for version 1.0.x: R, the major
# and the minor number in two digits each.
function(zorvane_two_digits number out)
  set(padded "0${number}")
  string(LENGTH "${padded}" length)
  math(EXPR start "${length} - 2")
  string(SUBSTRING "${padded}" ${start} 2 padded)
  set(${out} "${padded}" PARENT_SCOPE)
endfunction()

zorvane_two_digits(${PROJECT_VERSION_MAJOR} major)
zorvane_two_digits(${PROJECT_VERSION_MINOR} minor)
set(ZORVANE_RELEASE_NAME "R${major}.${minor}")
configure_file(${CMAKE_CURRENT_LIST_DIR}/version.h.in ${PROJECT_BINARY_DIR}/generated/zorvane_version.h @ONLY)

add_library(zorvane_version INTERFACE)
target_include_directories(zorvane_version INTERFACE ${PROJECT_BINARY_DIR}/generated)
