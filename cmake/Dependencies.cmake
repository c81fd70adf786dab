# Dependencies: SDL2, SDL2_image and SDL2_ttf as one interface target, dustreach_sdl. Each is found
# through its CMake package where one is installed (Debian's -dev packages ship them, and so do the
# browser's and Windows' libraries built by tools/web/libraries.sh and tools/windows/libraries.sh),
# and through pkg-config otherwise.

add_library(dustreach_sdl INTERFACE)

# dustreach_use_sdl_library(PACKAGE PKG_CONFIG_MODULE TARGET...): links the first of the package's
# targets that exists (shared before static), or the pkg-config module.
function(dustreach_use_sdl_library package module)
  find_package(${package} CONFIG QUIET)
  foreach(candidate IN LISTS ARGN)
    if(TARGET ${candidate})
      target_link_libraries(dustreach_sdl INTERFACE ${candidate})
      return()
    endif()
  endforeach()
  if(CMAKE_CROSSCOMPILING)
    # The machine's own pkg-config files describe the machine's libraries, not the target's.
    message(FATAL_ERROR "No CMake package for ${package} in CMAKE_FIND_ROOT_PATH (./web and ./windows build one)")
  endif()
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(${package}_PC REQUIRED IMPORTED_TARGET GLOBAL ${module})
  target_link_libraries(dustreach_sdl INTERFACE PkgConfig::${package}_PC)
endfunction()

dustreach_use_sdl_library(SDL2 sdl2 SDL2::SDL2 SDL2::SDL2-static)
dustreach_use_sdl_library(SDL2_image SDL2_image SDL2_image::SDL2_image SDL2_image::SDL2_image-static)
dustreach_use_sdl_library(SDL2_ttf SDL2_ttf SDL2_ttf::SDL2_ttf SDL2_ttf::SDL2_ttf-static)
