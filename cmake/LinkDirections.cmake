# quenby_forbid_links(<target> <library>...): configuring fails when <target> links one of the
# libraries directly. Together with tools/check_includes, keeps the libraries linking one way:
# base <- engine_archive <- engine, base <- ui_render <- ui, and nothing links the installer.
function(quenby_forbid_links target)
  get_target_property(links ${target} LINK_LIBRARIES)
  foreach(forbidden IN LISTS ARGN)
    if(forbidden IN_LIST links)
      message(FATAL_ERROR "${target} may not link ${forbidden}")
    endif()
  endforeach()
endfunction()

quenby_forbid_links(base engine_archive engine ui_render ui)
quenby_forbid_links(engine_archive engine ui_render ui)
quenby_forbid_links(engine ui_render ui)
quenby_forbid_links(ui_render engine_archive engine ui)
quenby_forbid_links(ui engine_archive engine)
