# Warning set for our own targets: velmo_warnings(target)
function(velmo_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wconversion
    -Wno-sign-conversion -Wdouble-promotion -Wcast-align -Wnon-virtual-dtor)
  if(VELMO_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()
