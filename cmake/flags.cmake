# Warnings are errors in every tree.
set(PELLUX_WARNINGS -Wall -Wextra -Werror -Wshadow -Wformat=2 -Wno-format-nonliteral)

# No folder of the build machine ends up in what is built, and no link time
# stamp: the same commit builds the same bytes anywhere (scripts/release).
add_compile_options(-ffile-prefix-map=${CMAKE_SOURCE_DIR}/=
                    -ffile-prefix-map=${CMAKE_BINARY_DIR}/=)
if(WIN32)
  add_link_options(-Wl,--no-insert-timestamp)
endif()
# A release tree (scripts/release) builds what is shipped: on the host,
# pellux-pack without sanitizers, stripped. It needs only libraries every
# Debian 12 or Ubuntu 22.04 has (tests/release/check-archives holds it to
# that): a static libstdc++ would call arc4random, which Ubuntu 22.04's C
# library lacks.
option(PELLUX_RELEASE "Build the shipped programs only, as shipped" OFF)

if(WIN32)
  if(CMAKE_SYSTEM_PROCESSOR STREQUAL "x86")
    set(PELLUX_TARGET_BITS 32)
  else()
    set(PELLUX_TARGET_BITS 64)
  endif()
  # The launcher is a small native tool: optimised for size before speed, no
  # exceptions or RTTI, section garbage collection, msvcrt's own stdio.
  # Library containers check their bounds. Small functions stay calls, not
  # copies, and switches compare rather than jump through tables: the launcher
  # spends its time waiting on files and processes, not in its own code. No
  # clones with their arguments taken apart: each file would keep its own
  # clone of the library's string members.
  set(PELLUX_LAUNCHER_FLAGS -Oz -ffunction-sections -fno-threadsafe-statics
      -fno-exceptions -fno-rtti -D_GLIBCXX_ASSERTIONS -D__USE_MINGW_ANSI_STDIO=0
      -DWIN32_LEAN_AND_MEAN -DNOMINMAX
      -fno-inline-small-functions -fno-partial-inlining -fno-jump-tables -fno-ipa-sra)
  # 32-bit Windows finds exception handlers through a chain on the stack, not
  # through tables; 64-bit Windows needs the tables to unwind through a VM's frames.
  if(PELLUX_TARGET_BITS EQUAL 32)
    list(APPEND PELLUX_LAUNCHER_FLAGS -fno-asynchronous-unwind-tables -fno-unwind-tables)
  endif()
  set(PELLUX_TEST_FLAGS -O1 -D__USE_MINGW_ANSI_STDIO=0 -DWIN32_LEAN_AND_MEAN -DNOMINMAX)
  add_link_options(-static)
else()
  set(PELLUX_SANITIZERS -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  option(PELLUX_SANITIZE "Build the host tree with AddressSanitizer and UBSan" ON)
  if(PELLUX_RELEASE)
    add_link_options(-s)
  elseif(PELLUX_SANITIZE)
    add_compile_options(${PELLUX_SANITIZERS})
    add_link_options(${PELLUX_SANITIZERS})
  endif()
endif()
