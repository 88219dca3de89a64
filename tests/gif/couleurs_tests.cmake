# Tests of the colour side.
visu_test(gif_couleurs_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/gif_units_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/color_lookup_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/dib_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/dither_test.cpp
  LIBS visu_gif)
