# Warnings are errors nowhere but are kept at zero everywhere: every target of
# the project gets the same set through this function.
function(visu_warnings target)
  target_compile_options(${target} PRIVATE
    -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wold-style-cast
    -Wcast-align -Woverloaded-virtual -Wconversion -Wsign-conversion
    -Wnull-dereference -Wimplicit-fallthrough -Wformat=2)
endfunction()
