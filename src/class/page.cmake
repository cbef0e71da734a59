# The teacher's class page: the class tally built as a WebAssembly module for
# the page itself, joined with its shell into one self-contained
# die-fairness-class.html, beside the student's page and never linked from it.
find_package(Python3 REQUIRED COMPONENTS Interpreter)

add_executable(die-fairness-class-page class_page_main.cpp)
target_link_libraries(die-fairness-class-page PRIVATE class_tally)
target_compile_options(die-fairness-class-page PRIVATE ${DIE_FAIRNESS_WARNINGS})
# The page hands the module its WebAssembly binary, so that nothing is fetched.
target_link_options(die-fairness-class-page PRIVATE -sSINGLE_FILE=0 -sNODERAWFS=0 -sENVIRONMENT=web
                    -sMODULARIZE=1 -sEXPORT_NAME=startTally
                    -sEXPORTED_FUNCTIONS=_hand_in_set,_hand_in_remove,_class_tally_json,_malloc,_free
                    -sEXPORTED_RUNTIME_METHODS=UTF8ToString,stringToUTF8,lengthBytesUTF8)

set(page_shell "${PROJECT_SOURCE_DIR}/src/page")  # what both pages share
set(class_page "${PROJECT_BINARY_DIR}/die-fairness-class.html")
set(shell class.html class.css class_files.js class.js)
list(TRANSFORM shell PREPEND "${CMAKE_CURRENT_SOURCE_DIR}/")
add_custom_command(
  OUTPUT "${class_page}"
  COMMAND Python3::Interpreter "${page_shell}/assemble.py"
          --html "${CMAKE_CURRENT_SOURCE_DIR}/class.html" --style "${page_shell}/page.css"
          --style "${CMAKE_CURRENT_SOURCE_DIR}/class.css" --script "${page_shell}/start.js" --script "${CMAKE_CURRENT_SOURCE_DIR}/class_files.js"
          --script "${CMAKE_CURRENT_SOURCE_DIR}/class.js"
          --program "$<TARGET_FILE:die-fairness-class-page>"
                    "$<TARGET_FILE_DIR:die-fairness-class-page>/die-fairness-class-page.wasm"
          --version "${DIE_FAIRNESS_BUILD_NAME}"
          --release-file "LESSON=${release_lesson}" --release-file "SHEET=${release_sheet}" --license "${PROJECT_SOURCE_DIR}/LICENSE"
          --notices "${page_shell}/third-party-notices.txt" --output "${class_page}"
  DEPENDS die-fairness-class-page ${shell} "${DIE_FAIRNESS_BUILD_NAME_FILE}" "${page_shell}/assemble.py" "${page_shell}/page.css"
          "${page_shell}/start.js"
          "${page_shell}/third-party-notices.txt" "${PROJECT_SOURCE_DIR}/LICENSE"
  COMMENT "Joining the class page into die-fairness-class.html" VERBATIM)
add_custom_target(class_page ALL DEPENDS "${class_page}")
