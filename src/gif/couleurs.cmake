# Sources of the colour side.
target_sources(visu_gif PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/color_lookup.cpp
  ${CMAKE_CURRENT_LIST_DIR}/dib.cpp
  ${CMAKE_CURRENT_LIST_DIR}/dither.cpp
  ${CMAKE_CURRENT_LIST_DIR}/gif_units.cpp
)
