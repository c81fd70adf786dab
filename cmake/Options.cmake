# Options: the compile and link options of the project's own targets, as one interface target,
# dustreach_options, that each of them links privately. Nothing is set globally, so the libraries
# of others built alongside (none today) keep their own flags.

add_library(dustreach_options INTERFACE)
target_compile_options(dustreach_options INTERFACE -Wall -Wextra -Wpedantic)
if(DUSTREACH_SANITIZE)
  target_compile_options(dustreach_options INTERFACE
    -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  target_link_options(dustreach_options INTERFACE -fsanitize=address,undefined)
endif()
