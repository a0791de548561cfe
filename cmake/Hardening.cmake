# Debian's hardening, as dpkg-buildflags gives it with hardening=+all: a stack protector, format strings
# checked, fortified string and memory functions, position-independent executables, and a relocation table
# made read-only and bound at start (RELRO, BIND_NOW). Every build has them but the instrumented ones, whose
# sanitizer runtimes do these checks their own way, so that the tests run the code the package ships.
# scripts/check-package.sh checks the programs in the package for each, and runs lintian.
if(NOT POSTVANE_SANITIZE AND NOT POSTVANE_FUZZ)
  include(CheckPIESupported)
  check_pie_supported()
  set(CMAKE_POSITION_INDEPENDENT_CODE ON)
  add_compile_options(-fstack-protector-strong -Wformat -Werror=format-security)
  # Fortified functions need the optimiser, which a Debug build leaves out.
  add_compile_definitions($<$<NOT:$<CONFIG:Debug>>:_FORTIFY_SOURCE=2>)
  add_link_options(LINKER:-z,relro LINKER:-z,now)
endif()
