# Windows builds (MinGW-w64): what the Windows headers want, the runtime DLLs beside the
# programs so that they start from the build folder (under Wine too), and GoogleTest
# built from Debian's source package, as Debian ships no GoogleTest for MinGW.

target_compile_definitions(pravelot_options INTERFACE
    UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0A00)
# GCC 12 at -O3 takes "a" + std::to_string(n) for an overlapping copy (GCC bug 105651)
# and v.resize(v.size() - 10) for a fill or a memset of almost 2^64 bytes (GCC bug 106199).
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
    target_compile_options(pravelot_warnings INTERFACE
        -Wno-restrict -Wno-stringop-overflow -Wno-array-bounds)
endif()

# The same bytes from every build of a commit: no link time in the programs' headers.
add_link_options(LINKER:--no-insert-timestamp)

# The MinGW runtime: the C++ library, the unwinder and the threads of the posix variant.
set(PRAVELOT_MINGW_RUNTIME)
foreach(dll libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
        OUTPUT_VARIABLE path OUTPUT_STRIP_TRAILING_WHITESPACE)
    get_filename_component(path "${path}" REALPATH)
    if(NOT EXISTS "${path}")
        message(FATAL_ERROR "The MinGW runtime ${dll} was not found (is the posix variant of "
            "g++-mingw-w64-x86-64 installed?)")
    endif()
    list(APPEND PRAVELOT_MINGW_RUNTIME "${path}")
endforeach()
file(COPY ${PRAVELOT_MINGW_RUNTIME} DESTINATION ${CMAKE_RUNTIME_OUTPUT_DIRECTORY})

set(PRAVELOT_GTEST_SOURCE /usr/src/googletest CACHE PATH
    "GoogleTest's source, built for the tests of a cross build")

# GTest::gtest and GTest::gtest_main from source, as find_package(GTest) gives them on Linux.
function(pravelot_googletest)
    if(TARGET GTest::gtest)
        return()
    endif()
    if(NOT EXISTS ${PRAVELOT_GTEST_SOURCE}/CMakeLists.txt)
        message(FATAL_ERROR "No GoogleTest source at ${PRAVELOT_GTEST_SOURCE}: install Debian's "
            "googletest package, or set PRAVELOT_TESTS=OFF")
    endif()
    set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
    add_subdirectory(${PRAVELOT_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
    if(NOT TARGET GTest::gtest_main) # newer GoogleTest names them itself
        add_library(GTest::gtest ALIAS gtest)
        add_library(GTest::gtest_main ALIAS gtest_main)
    endif()
endfunction()

# Header-only libraries of the build machine (Debian's nlohmann-json3-dev) serve a cross
# build as they are: they need nothing of the system they run on. The toolchain file says
# where they lie (PRAVELOT_HOST_INCLUDE); only the library's own folder is made visible,
# through a folder of links, never the whole host include folder, whose C headers would
# shadow MinGW's. Gives the imported target find_package would give.
function(pravelot_host_headers target folder)
    if(TARGET ${target})
        return()
    endif()
    if(NOT PRAVELOT_HOST_INCLUDE OR NOT IS_DIRECTORY ${PRAVELOT_HOST_INCLUDE}/${folder})
        message(FATAL_ERROR "No ${folder} headers in '${PRAVELOT_HOST_INCLUDE}' for the cross "
            "build (set PRAVELOT_HOST_INCLUDE; Debian: scripts/deps.sh installs them)")
    endif()
    set(links ${CMAKE_BINARY_DIR}/host-headers)
    file(MAKE_DIRECTORY ${links})
    file(CREATE_LINK ${PRAVELOT_HOST_INCLUDE}/${folder} ${links}/${folder} SYMBOLIC COPY_ON_ERROR)
    add_library(${target} INTERFACE IMPORTED GLOBAL)
    target_include_directories(${target} SYSTEM INTERFACE ${links})
endfunction()

# Qt's own texts in Japanese: the translation files hold no code, so Debian's serve.
find_file(PRAVELOT_QTBASE_JA qtbase_ja.qm PATHS /usr/share/qt6/translations
    NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)

# Puts beside target what it needs to start, as windeployqt would: the Qt DLLs, the
# Windows platform plugin, the system-look style, Qt's Japanese texts and a qt.conf that
# makes the program's folder Qt's own. The zip is that folder.
function(pravelot_deploy_qt target)
    set(dir $<TARGET_FILE_DIR:${target}>)
    add_custom_command(TARGET ${target} POST_BUILD
        COMMAND ${CMAKE_COMMAND} -E copy_if_different
            $<TARGET_FILE:Qt6::Core> $<TARGET_FILE:Qt6::Gui> $<TARGET_FILE:Qt6::Widgets> ${dir}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}/platforms ${dir}/styles
        COMMAND ${CMAKE_COMMAND} -E copy_if_different
            $<TARGET_FILE:Qt6::QWindowsIntegrationPlugin> ${dir}/platforms
        COMMAND ${CMAKE_COMMAND} -E copy_if_different
            $<TARGET_FILE:Qt6::QWindowsVistaStylePlugin> ${dir}/styles
        COMMAND ${CMAKE_COMMAND} -E copy_if_different
            ${PROJECT_SOURCE_DIR}/packaging/windows/qt.conf ${dir}
        VERBATIM)
    if(PRAVELOT_QTBASE_JA)
        add_custom_command(TARGET ${target} POST_BUILD
            COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}/translations
            COMMAND ${CMAKE_COMMAND} -E copy_if_different ${PRAVELOT_QTBASE_JA} ${dir}/translations
            VERBATIM)
    else()
        message(WARNING "qtbase_ja.qm not found (Debian: qt6-translations-l10n): Qt's own "
            "dialogs will show English buttons")
    endif()
endfunction()

# The programs' icon, drawn from the same picture as the Linux desktop's, at the sizes
# Explorer and the taskbar ask for.
enable_language(RC)
find_program(PRAVELOT_RSVG_CONVERT rsvg-convert)
find_program(PRAVELOT_ICOTOOL icotool)
if(NOT PRAVELOT_RSVG_CONVERT OR NOT PRAVELOT_ICOTOOL)
    message(FATAL_ERROR "The Windows icon needs rsvg-convert and icotool (Debian: librsvg2-bin, "
        "icoutils)")
endif()
set(PRAVELOT_ICON ${CMAKE_BINARY_DIR}/resources/pravelot.ico)
set(PRAVELOT_ICON_SIZES 16 24 32 48 64 256)
set(PRAVELOT_ICON_COMMANDS)
set(PRAVELOT_ICON_PNGS)
foreach(size IN LISTS PRAVELOT_ICON_SIZES)
    set(png ${CMAKE_BINARY_DIR}/resources/icon-${size}.png)
    list(APPEND PRAVELOT_ICON_COMMANDS COMMAND ${PRAVELOT_RSVG_CONVERT} -w ${size} -h ${size}
        ${PROJECT_SOURCE_DIR}/packaging/pravelot.svg -o ${png})
    # The largest is stored as PNG, as Windows expects of a 256-pixel icon.
    if(size EQUAL 256)
        list(APPEND PRAVELOT_ICON_PNGS -r ${png})
    else()
        list(APPEND PRAVELOT_ICON_PNGS ${png})
    endif()
endforeach()
add_custom_command(OUTPUT ${PRAVELOT_ICON}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/resources
    ${PRAVELOT_ICON_COMMANDS}
    COMMAND ${PRAVELOT_ICOTOOL} -c -o ${PRAVELOT_ICON} ${PRAVELOT_ICON_PNGS}
    DEPENDS ${PROJECT_SOURCE_DIR}/packaging/pravelot.svg
    VERBATIM)
add_custom_target(pravelot_icon DEPENDS ${PRAVELOT_ICON})

# Gives target its resources: the icon, the version information (description shown by
# Explorer's Properties) and the application manifest.
function(pravelot_windows_resources target description)
    set(PRAVELOT_RC_NAME ${target})
    set(PRAVELOT_RC_FILE ${target}.exe)
    set(PRAVELOT_RC_DESCRIPTION "${description}")
    set(PRAVELOT_RC_ICON ${PRAVELOT_ICON})
    set(PRAVELOT_RC_VERSION_DOTS ${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.0.0)
    set(PRAVELOT_RC_VERSION_COMMAS ${PROJECT_VERSION_MAJOR},${PROJECT_VERSION_MINOR},0,0)
    set(dir ${CMAKE_BINARY_DIR}/resources/${target})
    set(PRAVELOT_RC_MANIFEST ${dir}/${target}.manifest)
    configure_file(${PROJECT_SOURCE_DIR}/packaging/windows/pravelot.manifest
        ${PRAVELOT_RC_MANIFEST} @ONLY)
    configure_file(${PROJECT_SOURCE_DIR}/packaging/windows/pravelot.rc.in ${dir}/${target}.rc
        @ONLY)
    target_sources(${target} PRIVATE ${dir}/${target}.rc)
    set_source_files_properties(${dir}/${target}.rc PROPERTIES
        OBJECT_DEPENDS "${PRAVELOT_ICON};${PRAVELOT_RC_MANIFEST}")
    add_dependencies(${target} pravelot_icon)
endfunction()
