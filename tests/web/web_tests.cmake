# The browser page in Debian's headless Chromium against the real korvel4-server on
# 127.0.0.1 (tests/web/run.sh; skipped when Chromium or the driver is not installed).
foreach(suite http game promotion check reconnect)
  if(EXISTS ${CMAKE_SOURCE_DIR}/tests/web/${suite}.test.mjs)
    add_test(NAME web.${suite}
      COMMAND bash ${CMAKE_SOURCE_DIR}/tests/web/run.sh ${KORVEL4_OUT} ${suite}.test.mjs)
    set_tests_properties(web.${suite} PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 300
      RESOURCE_LOCK chromium)
  endif()
endforeach()
