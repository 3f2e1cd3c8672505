# Settings every target of ours shares; applied per target, never globally.
function(vantrel_target_defaults tgt)
  target_compile_features(${tgt} PUBLIC cxx_std_20)
  set_target_properties(${tgt} PROPERTIES CXX_EXTENSIONS OFF)
  target_compile_options(${tgt} PRIVATE -Wall -Wextra)
  if(VANTREL_SANITIZE)
    target_compile_options(${tgt} PUBLIC -fsanitize=address,undefined
                           -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
    target_link_options(${tgt} PUBLIC -fsanitize=address,undefined)
  endif()
  if(VANTREL_FUZZ)
    target_compile_options(${tgt} PUBLIC -fsanitize=fuzzer-no-link,address,undefined
                           -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
    target_link_options(${tgt} PUBLIC -fsanitize=address,undefined)
  endif()
endfunction()

# A static library made of every source file in the calling folder, linked
# publicly to the given libraries. A folder without sources yet gives an
# interface library, so the tree builds while later folders are still empty.
function(vantrel_folder_library tgt)
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  file(GLOB headers CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  if(sources)
    add_library(${tgt} STATIC ${sources} ${headers})
    target_include_directories(${tgt} PUBLIC ${PROJECT_SOURCE_DIR})
    target_link_libraries(${tgt} PUBLIC ${ARGN})
    vantrel_target_defaults(${tgt})
  else()
    add_library(${tgt} INTERFACE)
    target_include_directories(${tgt} INTERFACE ${PROJECT_SOURCE_DIR})
    target_link_libraries(${tgt} INTERFACE ${ARGN})
  endif()
endfunction()
