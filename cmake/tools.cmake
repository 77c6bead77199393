# The README's pictures, drawn by the program's own windows; built with everything else so it keeps compiling,
# run by hand (not part of ctest: it needs the Chinese font, which the suite must not).
add_executable(kvpictures tools/kvpictures.cpp)
target_link_libraries(kvpictures PRIVATE kvcore)
target_compile_definitions(kvpictures PRIVATE KV_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
