# twinsift_collect(VAR DIRS... [EXCLUDE dir...]) lists every .cpp and .h below the given folders
# (relative to the calling CMakeLists), leaving out the excluded sub-folders.
function(twinsift_collect var)
  cmake_parse_arguments(C "" "" "DIRS;EXCLUDE" ${ARGN})
  set(sources)
  foreach(dir IN LISTS C_DIRS)
    file(GLOB_RECURSE found CONFIGURE_DEPENDS
         "${CMAKE_CURRENT_SOURCE_DIR}/${dir}/*.cpp" "${CMAKE_CURRENT_SOURCE_DIR}/${dir}/*.h")
    list(APPEND sources ${found})
  endforeach()
  foreach(ex IN LISTS C_EXCLUDE)
    list(FILTER sources EXCLUDE REGEX "/${ex}/")
  endforeach()
  set(${var} ${sources} PARENT_SCOPE)
endfunction()

# twinsift_layer(NAME DIRS... [EXCLUDE dir...] [EXCLUDE_FILES file...]) collects every .cpp and .h below the given folders
# into one static library. New files are picked up at the next build without editing CMake.
function(twinsift_layer name)
  cmake_parse_arguments(L "" "" "DIRS;EXCLUDE;EXCLUDE_FILES;LINK" ${ARGN})
  twinsift_collect(sources DIRS ${L_DIRS} EXCLUDE ${L_EXCLUDE})
  foreach(file IN LISTS L_EXCLUDE_FILES)
    list(REMOVE_ITEM sources "${CMAKE_CURRENT_SOURCE_DIR}/${file}")
  endforeach()
  if(NOT sources)
    # A layer whose folders are still empty builds as an empty library.
    set(stub "${CMAKE_CURRENT_BINARY_DIR}/${name}_empty.cpp")
    file(WRITE "${stub}" "// empty layer\n")
    list(APPEND sources "${stub}")
  endif()
  add_library(${name} STATIC ${sources})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_compile_options(${name} PRIVATE ${TWINSIFT_WARNINGS})
  target_link_libraries(${name} PUBLIC ${L_LINK})
endfunction()

# twinsift_tests(NAME DIRS... LINK libs...) builds one GoogleTest executable from the folders.
function(twinsift_tests name)
  cmake_parse_arguments(T "" "" "DIRS;EXCLUDE;LINK" ${ARGN})
  twinsift_collect(sources DIRS ${T_DIRS} EXCLUDE ${T_EXCLUDE})
  if(NOT sources)
    return()
  endif()
  add_executable(${name} ${sources} ${CMAKE_CURRENT_SOURCE_DIR}/support/TestMain.cpp)
  target_include_directories(${name} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
  # The test code itself is built lighter than the program (less optimisation, line tables only):
  # it is compiled four times a run, and its stack traces still name every function and line.
  target_compile_options(${name} PRIVATE ${TWINSIFT_WARNINGS} "$<$<CONFIG:RelWithDebInfo>:-O1;-g1>")
  target_link_libraries(${name} PRIVATE ${T_LINK} Qt6::Widgets GTest::gtest GTest::gmock)
  gtest_discover_tests(${name}
    DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen" TIMEOUT 300 LABELS ${name})
endfunction()

# The language table "English" is kept as several property-list fragments under resources/English/
# (one per area of the program) and merged into one property list at configure time. Images under
# resources/images/ ship beside it. Both are compiled into the given library as Qt resources.
function(twinsift_resources target)
  file(GLOB fragments CONFIGURE_DEPENDS "${PROJECT_SOURCE_DIR}/resources/English/*.plist")
  list(SORT fragments)
  # An edited fragment re-runs the merge at the next build, not only a new or removed one.
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${fragments})
  set(body "")
  set(seen_keys "")
  foreach(fragment IN LISTS fragments)
    file(READ "${fragment}" text)
    # A key defined in two fragments would silently take whichever comes last: refuse it.
    string(REGEX MATCHALL "<key>[^<]*</key>" keys "${text}")
    foreach(key IN LISTS keys)
      if(key IN_LIST seen_keys)
        message(FATAL_ERROR "Language table key ${key} is defined twice (again in ${fragment})")
      endif()
      list(APPEND seen_keys "${key}")
    endforeach()
    string(REGEX REPLACE "^.*<dict>" "" text "${text}")
    string(REGEX REPLACE "</dict>[ \t\r\n]*</plist>[ \t\r\n]*$" "" text "${text}")
    string(APPEND body "${text}")
  endforeach()
  set(merged "${CMAKE_CURRENT_BINARY_DIR}/generated/English.plist")
  file(CONFIGURE OUTPUT "${merged}" CONTENT
"<?xml version=\"1.0\" encoding=\"UTF-8\"?>
<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" \"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">
<plist version=\"1.0\">
<dict>@body@</dict>
</plist>
" @ONLY)
  set_source_files_properties("${merged}" PROPERTIES QT_RESOURCE_ALIAS "English.plist")
  file(GLOB_RECURSE images CONFIGURE_DEPENDS RELATIVE "${PROJECT_SOURCE_DIR}/resources"
       "${PROJECT_SOURCE_DIR}/resources/images/*")
  set(image_files)
  foreach(image IN LISTS images)
    set(abs "${PROJECT_SOURCE_DIR}/resources/${image}")
    set_source_files_properties("${abs}" PROPERTIES QT_RESOURCE_ALIAS "${image}")
    list(APPEND image_files "${abs}")
  endforeach()
  qt_add_resources(${target} twinsift_resources PREFIX "/" FILES "${merged}" ${image_files})
endfunction()
