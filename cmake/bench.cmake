# Benchmarks and their data generator; built with everything else, run by hand (not part of ctest).
add_executable(kvbenchgen bench/kvbenchgen.cpp bench/benchdatagenerator.h bench/benchdatagenerator.cpp)
target_compile_options(kvbenchgen PRIVATE -Wall -Wextra)
target_link_libraries(kvbenchgen PRIVATE kvcore)

add_executable(kvbench bench/kvbench.cpp)
target_compile_options(kvbench PRIVATE -Wall -Wextra)
target_link_libraries(kvbench PRIVATE kvcore)
