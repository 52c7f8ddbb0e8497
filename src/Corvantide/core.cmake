# Status images are icons (QtGui, no widgets).
target_link_libraries(CorvantideCore PUBLIC Qt6::Gui)
