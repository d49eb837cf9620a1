# Adds cmake/sanitizer_defaults.cpp to every program of the build (every
# executable target in `dir` and the folders below it), so that each one,
# however it is started, stops with a failure on a sanitizer's report and
# looks for leaks.
function(corvale_add_sanitizer_defaults dir)
  get_property(targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
  foreach(target IN LISTS targets)
    get_target_property(type ${target} TYPE)
    if(type STREQUAL "EXECUTABLE")
      target_sources(${target} PRIVATE ${PROJECT_SOURCE_DIR}/cmake/sanitizer_defaults.cpp)
    endif()
  endforeach()
  get_property(folders DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
  foreach(folder IN LISTS folders)
    corvale_add_sanitizer_defaults(${folder})
  endforeach()
endfunction()
