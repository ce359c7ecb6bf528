# Release builds on Linux get the hardening Debian builds its own packages
# with (what dpkg-buildflags gives with hardening=+all): vornel runs with
# CAP_NET_RAW and parses what devices send it, so an overflow must not become
# a foothold. Debug builds stay as they are, easy to step through; Windows
# has its own toolchain and flags.
if(WIN32)
  return()
endif()

include(CheckCXXCompilerFlag)
set(VORNEL_RELEASE_BUILD "$<CONFIG:Release,RelWithDebInfo,MinSizeRel>")

# Stack canaries, guard pages that a large frame cannot jump over, and
# branch targets marked for the CPU's control-flow checks (x86 only: a flag
# the compiler or the target lacks is left out rather than failing the build).
foreach(flag -fstack-protector-strong -fstack-clash-protection -fcf-protection)
  string(MAKE_C_IDENTIFIER "VORNEL_HAS${flag}" has_flag)
  check_cxx_compiler_flag(${flag} ${has_flag})
  if(${has_flag})
    add_compile_options($<${VORNEL_RELEASE_BUILD}:${flag}>)
  endif()
endforeach()
add_compile_options($<${VORNEL_RELEASE_BUILD}:-Wformat> $<${VORNEL_RELEASE_BUILD}:-Werror=format-security>)

# Checked string and memory calls; they need optimisation, which every
# release type has. Not in sanitizer or fuzz builds: there a checked call
# aborts with "buffer overflow detected" before AddressSanitizer can report
# the overflow and where it happened. -U first: some compilers define it
# already, and a redefinition is a warning, which -Werror makes fatal.
if(NOT VORNEL_SANITIZE AND NOT VORNEL_FUZZ)
  add_compile_options($<${VORNEL_RELEASE_BUILD}:-U_FORTIFY_SOURCE>
    $<${VORNEL_RELEASE_BUILD}:-D_FORTIFY_SOURCE=2>)
endif()

# A position-independent executable, so that address randomisation covers the
# program's own code, and relocations made read-only before main() runs. All
# of the project's libraries are static and end up inside an executable, so
# -fPIE suits every object.
add_compile_options($<${VORNEL_RELEASE_BUILD}:-fPIE>)
add_link_options("$<$<AND:${VORNEL_RELEASE_BUILD},$<STREQUAL:$<TARGET_PROPERTY:TYPE>,EXECUTABLE>>:-pie>"
  $<${VORNEL_RELEASE_BUILD}:-Wl,-z,relro> $<${VORNEL_RELEASE_BUILD}:-Wl,-z,now>)
