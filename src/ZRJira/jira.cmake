# The Atlassian hosts the client talks to; the environment variables CORVANTIDE_AUTH_URL and
# CORVANTIDE_API_URL override them at run time (the tests point them at the local stand-in).
set(CORVANTIDE_AUTH_URL "https://auth.atlassian.com" CACHE STRING "OAuth authorization server base URL")
set(CORVANTIDE_API_URL "https://api.atlassian.com" CACHE STRING "Atlassian API gateway base URL")
target_compile_definitions(ZRJira PRIVATE
    CORVANTIDE_DEFAULT_AUTH_URL="${CORVANTIDE_AUTH_URL}"
    CORVANTIDE_DEFAULT_API_URL="${CORVANTIDE_API_URL}")
