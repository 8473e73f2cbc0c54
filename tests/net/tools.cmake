# The real programs on 127.0.0.1: whole games with scripted clients, records compared.
add_test(NAME net.four_clients
  COMMAND ${CMAKE_SOURCE_DIR}/tests/net/four_clients.sh ${KORVEL4_OUT})
set_tests_properties(net.four_clients PROPERTIES TIMEOUT 90)
add_test(NAME net.server_bad_arguments COMMAND korvel4-server --port 70000)
set_tests_properties(net.server_bad_arguments PROPERTIES WILL_FAIL TRUE)
# korvel4-script as the players: `join` and its commands against the real server.
add_test(NAME net.script_clients
  COMMAND ${CMAKE_SOURCE_DIR}/tests/net/script_clients.sh ${KORVEL4_OUT})
set_tests_properties(net.script_clients PROPERTIES TIMEOUT 120)
# TLS: the real programs over wss:// with the committed certificate for localhost.
add_test(NAME net.tls
  COMMAND ${CMAKE_SOURCE_DIR}/tests/net/tls.sh ${KORVEL4_OUT})
set_tests_properties(net.tls PROPERTIES TIMEOUT 90)
# A room that goes on from a record (--from): bad files refused by name, the links, a watcher.
add_test(NAME net.from_record
  COMMAND ${CMAKE_SOURCE_DIR}/tests/net/from_record.sh ${KORVEL4_OUT})
set_tests_properties(net.from_record PROPERTIES TIMEOUT 90)
# Two servers behind HAProxy (docs/haproxy.cfg), one killed and started again from its
# journal; skipped when haproxy is not installed.
add_test(NAME net.haproxy
  COMMAND ${CMAKE_SOURCE_DIR}/tests/net/haproxy.sh ${KORVEL4_OUT})
set_tests_properties(net.haproxy PROPERTIES TIMEOUT 120 SKIP_RETURN_CODE 77)
