# The training run of a profile-guided build: the instrumented markwise-check checks a set of
# documents, and what it counted guides the optimisation of the build the user runs.
#   cmake -DCHECKER=... -DPROGRAM_DIR=... -DSOURCE_DIR=... -DPROFILE_DIR=... -DWORK_DIR=...
#         -P pgo-train.cmake
# The documents: a generated page of articles, tables, lists, forms and entities (when Python
# is there to make it), the sample pages and the help pages, each checked with the default
# profile and with HTML 4.01 Transitional, once with the options of a clean run and once with
# the defaults, so that both the common path and the paths of findings are counted.
cmake_minimum_required(VERSION 3.22)

# Counts from an earlier training run would add to this one's.
file(REMOVE_RECURSE "${PROFILE_DIR}")
file(MAKE_DIRECTORY "${PROFILE_DIR}" "${WORK_DIR}")

set(documents "${SOURCE_DIR}/samples/sample.html" "${SOURCE_DIR}/samples/sample-html401.html")
file(GLOB help_pages "${SOURCE_DIR}/resources/help/*.html")
list(APPEND documents ${help_pages})

find_program(PYTHON3 python3)
if(PYTHON3)
  execute_process(
    COMMAND "${PYTHON3}" -c
            "import sys; sys.path.insert(0, sys.argv[1]); import html401_page; sys.stdout.write(html401_page.build(2 * 1024 * 1024))"
            "${SOURCE_DIR}/bench"
    OUTPUT_FILE "${WORK_DIR}/page.html"
    RESULT_VARIABLE made)
  if(made EQUAL 0)
    list(APPEND documents "${WORK_DIR}/page.html")
  endif()
endif()

set(clean_run --set HexadecimalEntities=1 --set UnicodeNumericEntities=1
              --set AllowDoubleQuoteInText=1 --set CheckForHighASCII=0)
foreach(profile mkwise25 mkwise-html401-transitional)
  foreach(options "" "${clean_run}")
    execute_process(
      COMMAND "${CHECKER}" -j 1 --config "${PROGRAM_DIR}/${profile}.cfg"
              --set MaximumErrors=9999 --set MaximumWarnings=9999 ${options} ${documents}
      OUTPUT_QUIET ERROR_QUIET
      RESULT_VARIABLE status)
    # 0 and 1 (findings) are runs that went through; anything else is a broken training.
    if(NOT status MATCHES "^[01]$")
      message(FATAL_ERROR "The training run of ${CHECKER} ended with ${status}")
    endif()
  endforeach()
endforeach()
