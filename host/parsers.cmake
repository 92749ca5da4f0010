# kest-host's lower parts (levels 1 to 3 of host/README.md) and the readers of
# user-written text: the scenario language, the layout file and the panel's command
# texts. kest-host builds on them; the fuzz build takes them without the rest of it,
# through kest_host_parsers.
if(TARGET kest_host_parsers)
    return()
endif()
include(${CMAKE_CURRENT_LIST_DIR}/parts.cmake)

kest_host_part(kest_host_common FOLDER common
    SOURCES paths.cpp interrupt.cpp display_width.cpp printable.cpp platform.cpp input_file.cpp
            plugin_version.cpp suggest.cpp diagnostic.cpp wall_clock.cpp
    USES ${CMAKE_DL_LIBS})
# The world shares the interfaces' records with the plug-in.
kest_host_part(kest_host_world FOLDER world
    SOURCES device.cpp router.cpp infodriver.cpp gpi.cpp sim_clock.cpp device_world.cpp faults.cpp
            fault_table.cpp
    USES kest_host_common kest_script_helper)
kest_host_part(kest_host_panel FOLDER panel
    SOURCES layout.cpp panel_model.cpp render.cpp
    USES kest_host_common kest_host_world)
# The command texts are read with the plug-in's own command table.
kest_host_part(kest_host_protocol FOLDER protocol
    SOURCES command_text.cpp
    USES kest_host_common kest_host_world kest_script_helper)
# The scenario language: statements, their table and the parser (the runner is the
# part kest_host_scenario, above the plug-in session).
kest_host_part(kest_host_scenario_text FOLDER scenario
    SOURCES statement_reader.cpp statement_table.cpp statement_help.cpp fault_statements.cpp
            device_statements.cpp
            scenario_parser.cpp
    USES kest_host_common kest_host_world kest_host_protocol)
# The Videohub protocol's reader: the first part of live/, which needs only common/.
kest_host_part(kest_host_videohub_reader FOLDER live SOURCES videohub_reader.cpp
    USES kest_host_common)

add_library(kest_host_parsers INTERFACE)
target_link_libraries(kest_host_parsers INTERFACE kest_host_common kest_host_panel
                                                  kest_host_protocol kest_host_scenario_text
                                                  kest_host_videohub_reader)
