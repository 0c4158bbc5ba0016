# Shared build rules. A module folder holds portable sources directly, Win32-only sources in
# win32/ and host-only sources in posix/; files named main.cpp are program entries, never library code.

set(VELKIT_WARNINGS -Wall -Wextra -Wno-unused-parameter)
if(VELKIT_WERROR)
  list(APPEND VELKIT_WARNINGS -Werror)
endif()

if(WIN32)
  # Static, small, 32-bit GUI programs. The stub must stay small, so sections are garbage-collected
  # and the result is stripped.
  add_compile_options(-ffunction-sections -fdata-sections)
  add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0501 WINVER=0x0501)
  add_link_options(-static -static-libgcc -static-libstdc++ -Wl,--gc-sections -s)
endif()

if(VELKIT_SANITIZE AND NOT WIN32)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

# velkit_sources(<out-var> <folder>...): the library sources of the given module folders for this build.
function(velkit_sources out)
  set(result)
  foreach(dir ${ARGN})
    file(GLOB portable CONFIGURE_DEPENDS ${dir}/*.cpp)
    if(WIN32)
      file(GLOB platform CONFIGURE_DEPENDS ${dir}/win32/*.cpp)
    else()
      file(GLOB platform CONFIGURE_DEPENDS ${dir}/posix/*.cpp)
    endif()
    list(APPEND result ${portable} ${platform})
  endforeach()
  list(FILTER result EXCLUDE REGEX "(/main\\.cpp|_test\\.cpp|_fuzz\\.cpp)$")
  set(${out} ${result} PARENT_SCOPE)
endfunction()

# velkit_warnings(<target>): our warning set on our own code.
function(velkit_warnings target)
  target_compile_options(${target} PRIVATE ${VELKIT_WARNINGS})
endfunction()

# velkit_gui_exe(<target> <sources>...): a Windows GUI program of ours linked with the core library.
function(velkit_win_exe target subsystem)
  add_executable(${target} ${ARGN})
  velkit_warnings(${target})
  target_link_libraries(${target} PRIVATE velkit_core)
  if(subsystem STREQUAL "gui")
    target_link_options(${target} PRIVATE -mwindows)
  else()
    target_link_options(${target} PRIVATE -mconsole)
  endif()
endfunction()
