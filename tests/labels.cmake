# Labels of the core tests, by kind, given after their discovery (ctest reads
# this file after core_tests' list of discovered tests, in core_tests_TESTS):
#   core     the core and the command line, a few seconds in all (ctest -L core)
#   ngspice  the comparisons with ngspice (they run it)
#   slow     core tests of more than a few seconds each
#   threads  also: the tests that drive a worker pool or run the core on
#            threads of their own (the ThreadSanitizer stage of build.sh
#            test runs ctest -L threads); a new pool's tests are named *Pool*
#            or added to the pattern below
# The GUI tests are labelled gui and package_deb package where they are added.
set(zelvar_ngspice_tests "^NetlistNgspice\\.")
set(zelvar_slow_tests "^(RoundedSine\\.NearestToTheTrueSine|Tolerance\\.DefaultDesign|BashCompletion\\.)")
set(zelvar_thread_tests "^(Tolerance|ToleranceCli|ModeExplorer|ModeThreads|ModesCli|FpEnvironment)\\.|SideBySide|Pool")
foreach(zelvar_test IN LISTS core_tests_TESTS)
  if(zelvar_test MATCHES "${zelvar_ngspice_tests}")
    set(zelvar_labels ngspice)
  elseif(zelvar_test MATCHES "${zelvar_slow_tests}")
    set(zelvar_labels slow)
  else()
    set(zelvar_labels core)
  endif()
  if(zelvar_test MATCHES "${zelvar_thread_tests}")
    list(APPEND zelvar_labels threads)
  endif()
  set_tests_properties("${zelvar_test}" PROPERTIES LABELS "${zelvar_labels}")
endforeach()
