# Shared compile settings as INTERFACE targets: every project target links these two.
add_library(pravelot_options INTERFACE)
add_library(pravelot_warnings INTERFACE)

target_compile_options(pravelot_warnings INTERFACE
    -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wold-style-cast -Wnon-virtual-dtor)
if(PRAVELOT_WERROR)
    target_compile_options(pravelot_warnings INTERFACE -Werror)
endif()

if(PRAVELOT_SANITIZE STREQUAL "thread")
    target_compile_options(pravelot_options INTERFACE -fsanitize=thread -fno-omit-frame-pointer)
    target_link_options(pravelot_options INTERFACE -fsanitize=thread)
elseif(PRAVELOT_SANITIZE)
    target_compile_options(pravelot_options INTERFACE
        -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all)
    target_compile_definitions(pravelot_options INTERFACE _GLIBCXX_ASSERTIONS)
    target_link_options(pravelot_options INTERFACE -fsanitize=address,undefined)
endif()
if(PRAVELOT_FUZZ)
    target_compile_definitions(pravelot_options INTERFACE PRAVELOT_FUZZ_LIMITS)
    target_compile_options(pravelot_options INTERFACE -fsanitize=fuzzer-no-link,address,undefined)
    target_link_options(pravelot_options INTERFACE -fsanitize=address,undefined)
endif()
