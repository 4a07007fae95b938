# Generates the string and message tables of both builds from the one source in resources/.
set(MT_GENERATED_DIR ${CMAKE_BINARY_DIR}/generated)
set(MT_RESOURCE_SOURCES
    ${CMAKE_SOURCE_DIR}/resources/strings.txt
    ${CMAKE_SOURCE_DIR}/resources/messages.txt
    ${CMAKE_SOURCE_DIR}/resources/system_errors.txt)
set(MT_GENERATED_TABLES
    ${MT_GENERATED_DIR}/StringTable.rc ${MT_GENERATED_DIR}/StringTableData.inc ${MT_GENERATED_DIR}/StringIds.h
    ${MT_GENERATED_DIR}/Messages.mc ${MT_GENERATED_DIR}/MessageTableData.inc ${MT_GENERATED_DIR}/MessageCodes.h
    ${MT_GENERATED_DIR}/SystemErrorData.inc)
add_custom_command(
  OUTPUT ${MT_GENERATED_TABLES}
  COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/scripts/gen_resources.py ${MT_RESOURCE_SOURCES} ${MT_GENERATED_DIR}
  DEPENDS ${MT_RESOURCE_SOURCES} ${CMAKE_SOURCE_DIR}/scripts/gen_resources.py
  COMMENT "Generating string and message tables")
add_custom_target(mt_generated_tables DEPENDS ${MT_GENERATED_TABLES})

if(WIN32)
  # The message table: windmc (customer bit set, so codes read 0xE2xxxxxx) and windres.
  add_custom_command(
    OUTPUT ${MT_GENERATED_DIR}/Messages.rc ${MT_GENERATED_DIR}/MSG00409.bin
    COMMAND ${CMAKE_MC_COMPILER} -c -h ${MT_GENERATED_DIR} -r ${MT_GENERATED_DIR} ${MT_GENERATED_DIR}/Messages.mc
    DEPENDS ${MT_GENERATED_DIR}/Messages.mc
    COMMENT "Compiling the message table")
  # Every Windows program of the project links the two tables: strings and messages.
  add_library(mt_tables OBJECT ${MT_GENERATED_DIR}/StringTable.rc ${MT_GENERATED_DIR}/Messages.rc)
  set_source_files_properties(${MT_GENERATED_DIR}/Messages.rc PROPERTIES OBJECT_DEPENDS ${MT_GENERATED_DIR}/MSG00409.bin)
  target_include_directories(mt_tables PRIVATE ${MT_GENERATED_DIR})
  add_dependencies(mt_tables mt_generated_tables)
endif()

# Adds a program that carries the tables on Windows (where LoadStringW and FormatMessageW read them).
function(mt_add_program name)
  add_executable(${name} ${ARGN})
  if(WIN32)
    target_sources(${name} PRIVATE $<TARGET_OBJECTS:mt_tables>)
  endif()
endfunction()
