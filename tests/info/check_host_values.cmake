# The values the build takes for the maker's server, and those it refuses
# at configure time. Run with -DSOURCE_DIR=...
include("${SOURCE_DIR}/cmake/QuorvelHost.cmake")
set(failures "")
foreach(good quorvel.example.com localhost 127.0.0.1:8080 quorvel.example.com:80 "[::1]" "[::1]:8080"
             "[2001:db8::7]:65535" my_host.local)
  quorvel_host_problem("${good}" problem)
  if(problem)
    string(APPEND failures "refused ${good}: ${problem}\n")
  endif()
endforeach()
foreach(bad "" ":8080" "http://quorvel.example.com" "quorvel.example.com/" "quorvel.example.com:"
            "host:0" "host:70000" "::1" "[::1" "[example.com]:80" "two words")
  quorvel_host_problem("${bad}" problem)
  if(NOT problem)
    string(APPEND failures "accepted \"${bad}\"\n")
  elseif(NOT problem MATCHES "QUORVEL_HOST=.*e\\.g\\.")
    string(APPEND failures "unclear message for \"${bad}\": ${problem}\n")
  endif()
endforeach()
if(failures)
  message(FATAL_ERROR "${failures}")
endif()
