# Sanitizer and fuzzing builds.
#
# OVEX_SANITIZE: the library and every test program under AddressSanitizer
# and UndefinedBehaviorSanitizer (any compiler); the uninstrumented tclsh
# and wish of the Tcl suites run through wrappers that preload the
# compiler's sanitizer runtime.
#
# OVEX_FUZZ: clang only; the code is instrumented for libFuzzer and the
# targets of fuzz/ are built (target ovex_fuzzers).
#
# Both let the allocator use malloc directly: Tcl's pool would hide
# overruns of small blocks from the sanitizers.

if(OVEX_SANITIZE AND OVEX_FUZZ)
  message(FATAL_ERROR "OVEX_SANITIZE and OVEX_FUZZ are separate builds: choose one")
endif()

if(OVEX_SANITIZE OR OVEX_FUZZ)
  set(OVEX_SYSTEM_MALLOC ON CACHE BOOL "Allocate with malloc instead of Tcl's pool (sanitizer builds)" FORCE)
  # Undefined behaviour stops the program, so that a test or a fuzzer sees it.
  add_compile_options(-fno-omit-frame-pointer -fno-sanitize-recover=all -g)
endif()

if(OVEX_SANITIZE)
  # Every program built from here on gets the runtime defaults; the shell
  # wrappers pass the same settings to tclsh and wish. (Fuzz builds keep
  # the sanitizer's own: there a huge allocation is a finding.)
  add_library(ovex_sanitizer_defaults OBJECT ${CMAKE_SOURCE_DIR}/cmake/sanitizer_defaults.c)
  link_libraries(ovex_sanitizer_defaults)
  add_compile_options(-fsanitize=address,undefined)
  add_link_options(-fsanitize=address,undefined)
  if(CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    # The shared library must use the runtime that the wrappers preload.
    add_link_options(-shared-libsan)
  endif()

  # The runtime an uninstrumented program needs first in its library list.
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=libasan.so
                  OUTPUT_VARIABLE OVEX_ASAN_RUNTIME OUTPUT_STRIP_TRAILING_WHITESPACE)
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=libubsan.so
                  OUTPUT_VARIABLE OVEX_UBSAN_RUNTIME OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=libclang_rt.asan-x86_64.so
                    OUTPUT_VARIABLE OVEX_ASAN_RUNTIME OUTPUT_STRIP_TRAILING_WHITESPACE)
    set(OVEX_UBSAN_RUNTIME "")
  endif()
  if(NOT EXISTS "${OVEX_ASAN_RUNTIME}")
    message(FATAL_ERROR "OVEX_SANITIZE: no AddressSanitizer runtime found (${OVEX_ASAN_RUNTIME})")
  endif()
  get_filename_component(OVEX_ASAN_RUNTIME "${OVEX_ASAN_RUNTIME}" REALPATH)
  if(OVEX_UBSAN_RUNTIME AND EXISTS "${OVEX_UBSAN_RUNTIME}")
    get_filename_component(OVEX_UBSAN_RUNTIME "${OVEX_UBSAN_RUNTIME}" REALPATH)
  else()
    set(OVEX_UBSAN_RUNTIME "")
  endif()

  # The dynamic loader runs the shells with the runtime preloaded.
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=ld-linux-x86-64.so.2
                  OUTPUT_VARIABLE compilerLoader OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(IS_ABSOLUTE "${compilerLoader}" AND EXISTS "${compilerLoader}")
    set(OVEX_DYNAMIC_LOADER "${compilerLoader}")
  else()
    find_file(OVEX_DYNAMIC_LOADER NAMES ld-linux-x86-64.so.2 ld-linux-aarch64.so.1
              PATHS /lib64 /lib /lib/x86_64-linux-gnu /lib/aarch64-linux-gnu NO_DEFAULT_PATH
              REQUIRED)
  endif()

  # tclsh and wish found through these wrappers by the test suite.
  find_program(OVEX_REAL_TCLSH NAMES tclsh8.6 tclsh REQUIRED)
  find_program(OVEX_REAL_WISH NAMES wish8.6 wish)
  set(OVEX_LSAN_SUPPRESSIONS ${CMAKE_SOURCE_DIR}/cmake/lsan.supp)
  foreach(shell tclsh wish)
    string(TOUPPER ${shell} SHELL_UPPER)
    if(NOT OVEX_REAL_${SHELL_UPPER})
      continue()
    endif()
    set(OVEX_REAL_SHELL ${OVEX_REAL_${SHELL_UPPER}})
    configure_file(${CMAKE_SOURCE_DIR}/cmake/sanitized-shell.in
                   ${CMAKE_BINARY_DIR}/sanitized-${shell} @ONLY
                   FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                                    WORLD_READ WORLD_EXECUTE)
  endforeach()
  set(TCLSH_PROGRAM ${CMAKE_BINARY_DIR}/sanitized-tclsh CACHE FILEPATH "" FORCE)
  if(OVEX_REAL_WISH)
    set(WISH_PROGRAM ${CMAKE_BINARY_DIR}/sanitized-wish CACHE FILEPATH "" FORCE)
  endif()
endif()

if(OVEX_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "OVEX_FUZZ needs clang (cmake -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++)")
  endif()
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined)
  # Executables link the sanitizer runtimes; the fuzz targets add libFuzzer.
  add_link_options(-fsanitize=address,undefined)
endif()
