# Every target links quavern::warnings, so one place decides how strict the
# compiler is. CI turns warnings into errors with -DQUAVERN_WERROR=ON.
add_library(quavern_warnings INTERFACE)
add_library(quavern::warnings ALIAS quavern_warnings)
target_compile_options(quavern_warnings INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wsign-conversion
  -Wnon-virtual-dtor -Wold-style-cast -Woverloaded-virtual
  $<$<BOOL:${QUAVERN_WERROR}>:-Werror>)
