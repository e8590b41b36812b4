# keldra_library(<target> [DEPS <targets...>])
# One library per subsystem folder: every .cpp below the folder (sub-folders included, `main` files excluded)
# joins it. Includes are written from the repository root ("core/crypto/KeldraKey.h").
function(keldra_library target)
    cmake_parse_arguments(ARG "" "" "DEPS;EXCLUDE" ${ARGN})
    file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
    foreach(pattern ${ARG_EXCLUDE})
        list(FILTER sources EXCLUDE REGEX "${pattern}")
    endforeach()
    if(sources)
        add_library(${target} STATIC ${sources})
        target_include_directories(${target} PUBLIC ${CMAKE_SOURCE_DIR} ${CMAKE_BINARY_DIR}/generated)
        target_link_libraries(${target} PUBLIC ${ARG_DEPS})
    else()
        # A subsystem with no code yet still names its dependencies for those who link it.
        add_library(${target} INTERFACE)
        target_include_directories(${target} INTERFACE ${CMAKE_SOURCE_DIR} ${CMAKE_BINARY_DIR}/generated)
        target_link_libraries(${target} INTERFACE ${ARG_DEPS})
    endif()
endfunction()

# keldra_test_dir(<dir> LABEL <label> DEPS <targets...>)
# Every .cpp in <dir> becomes one GoogleTest executable named after the folder; its tests carry <label>.
function(keldra_test_dir dir)
    cmake_parse_arguments(ARG "" "LABEL" "DEPS" ${ARGN})
    file(GLOB sources CONFIGURE_DEPENDS ${dir}/*.cpp)
    if(NOT sources)
        return()
    endif()
    file(RELATIVE_PATH rel ${CMAKE_SOURCE_DIR}/tests ${dir})
    string(REPLACE "/" "_" name "${rel}")
    set(target test_${name})
    add_executable(${target} ${sources})
    target_link_libraries(${target} PRIVATE keldra_test_support ${ARG_DEPS} GTest::gtest GTest::gmock GTest::gtest_main)
    target_compile_definitions(${target} PRIVATE
        KELDRA_SOURCE_DIR="${CMAKE_SOURCE_DIR}" KELDRA_BINARY_DIR="${CMAKE_BINARY_DIR}")
    gtest_discover_tests(${target}
        DISCOVERY_TIMEOUT 60
        PROPERTIES LABELS ${ARG_LABEL} TIMEOUT 300
        WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
endfunction()
