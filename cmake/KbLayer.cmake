# kb_no_widgets_below(<target> <libs...>): refuses, at configure time, a library without Widgets
# that would reach Qt Widgets through any library it links (directly or further down).
function(kb_no_widgets_below target)
  set(_todo ${ARGN})
  set(_seen)
  while(_todo)
    list(POP_FRONT _todo _lib)
    if(_lib IN_LIST _seen)
      continue()
    endif()
    list(APPEND _seen ${_lib})
    if(_lib MATCHES "^Qt6::(Widgets|PrintSupport|Gui)$")
      message(FATAL_ERROR "${target} is a layer without Qt Widgets but links ${_lib} (through: ${_seen})")
    endif()
    if(TARGET ${_lib})
      get_target_property(_below ${_lib} INTERFACE_LINK_LIBRARIES)
      if(_below)
        list(APPEND _todo ${_below})
      endif()
    endif()
  endwhile()
endfunction()

# kb_layer(<name> [WIDGETS] [EXCLUDE <subfolders...>] DEPS <libs...>)
# One static library per folder of src/, named kb_<name>, from every .cpp below it.
# Layers without WIDGETS never see Qt Widgets: they link QtCore at most, so a computation
# cannot reach for a dialog (the headers are simply not on its include path); a dependency
# that would bring Widgets in is refused when the build is configured.
# EXCLUDE names subfolders built as libraries of their own (like a folder's widget-free core).
function(kb_layer folder)
  cmake_parse_arguments(KB "WIDGETS" "" "DEPS;EXCLUDE" ${ARGN})
  file(GLOB_RECURSE _src CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  # Sources of separately built plugins live in their own subfolders and are excluded here.
  list(FILTER _src EXCLUDE REGEX "/udr/")
  foreach(_sub ${KB_EXCLUDE})
    list(FILTER _src EXCLUDE REGEX "^${CMAKE_CURRENT_SOURCE_DIR}/${_sub}/")
  endforeach()
  if(NOT KB_WIDGETS)
    kb_no_widgets_below(kb_${folder} ${KB_DEPS})
  endif()
  set(_name kb_${folder})
  if(_src)
    add_library(${_name} STATIC ${_src})
    target_include_directories(${_name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${_name} PUBLIC ${KB_DEPS})
    set_target_properties(${_name} PROPERTIES AUTOMOC ON)
    if(KB_WIDGETS)
      target_link_libraries(${_name} PUBLIC Qt6::Widgets Qt6::PrintSupport)
    endif()
  else()
    add_library(${_name} INTERFACE)
    target_include_directories(${_name} INTERFACE ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${_name} INTERFACE ${KB_DEPS})
    if(KB_WIDGETS)
      target_link_libraries(${_name} INTERFACE Qt6::Widgets Qt6::PrintSupport)
    endif()
  endif()
endfunction()

# kb_tests(<folder> DEPS <libs...>): one test program per folder of tests/, every .cpp in it,
# sharing the test main that creates the offscreen QApplication.
function(kb_tests folder)
  cmake_parse_arguments(KB "" "" "DEPS" ${ARGN})
  file(GLOB _src CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${folder}/*.cpp)
  if(NOT _src)
    return()
  endif()
  set(_name kb_test_${folder})
  add_executable(${_name} ${_src})
  target_link_libraries(${_name} PRIVATE kb_testmain ${KB_DEPS})
  set_target_properties(${_name} PROPERTIES AUTOMOC ON)
  gtest_discover_tests(${_name}
    DISCOVERY_TIMEOUT 60
    # KB_SOURCE_DIR and KB_BUILD_DIR are set by the shared test main (a list here would be split
    # into separate properties by gtest_discover_tests).
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen"
               LABELS ${folder})
endfunction()
