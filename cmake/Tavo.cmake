# Shared build helpers.

# Precompiled Qt headers keep a cold build of the whole tree short on small machines: the Qt
# headers the sources include most, and with VIEWS (targets whose sources are mostly widgets)
# the widget and painting headers as well. A bigger header costs every source that loads it, so
# targets with few views go without them.
#   tavo_precompile(target [VIEWS])
set(TAVO_PCH_HEADERS
  <QObject> <QString> <QStringList> <QVariant> <QVariantMap> <QList> <QHash> <QPointer> <QTimer>
  <QJsonDocument> <QJsonObject> <QJsonArray> <QUuid> <QDateTime> <functional> <memory>)
set(TAVO_PCH_VIEW_HEADERS
  <QWidget> <QPainter> <QPainterPath> <QColor> <QImage> <QVariantAnimation> <QVBoxLayout> <QHBoxLayout> <QLabel>)
function(tavo_precompile target)
  cmake_parse_arguments(P "VIEWS" "" "" ${ARGN})
  if(P_VIEWS)
    target_precompile_headers(${target} PRIVATE ${TAVO_PCH_HEADERS} ${TAVO_PCH_VIEW_HEADERS})
  else()
    target_precompile_headers(${target} PRIVATE ${TAVO_PCH_HEADERS})
  endif()
endfunction()

# QtTest defines each test's build and source folders (for QFINDTESTDATA, which no test uses);
# they differ from folder to folder and would make the tests' shared precompiled header invalid
# for all but one, so the tests and that header go without them.
set(TAVO_TEST_COMPILE_OPTIONS -UQT_TESTCASE_BUILDDIR -UQT_TESTCASE_SOURCEDIR)

# tavo_add_test(NAME name SOURCES ... [LIBS ...] [LABELS ...] [XVFB] [RESOURCE_LOCK lock] [TIMEOUT s])
# Adds a QtTest executable to ctest. Every test runs through tests/run-test.sh, which gives it
# a private HOME, XDG_DATA_HOME and XDG_CONFIG_HOME; tests run on the offscreen platform unless
# XVFB is given, in which case they use the X display that the test command provides.
# Exit code 77 (a missing display or prerequisite, see tests/support/Prerequisite.h) shows as
# skipped. A RESOURCE_LOCK on a fixed local port (named portN) is also held machine-wide, with a
# lock file in /tmp, so the suites of two clones on one machine take turns for the port too; a
# lock on the X display stays within the suite, which has a display of its own.
function(tavo_add_test)
  cmake_parse_arguments(T "XVFB" "NAME;TIMEOUT;RESOURCE_LOCK" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE TavoTestSupport Qt6::Test ${T_LIBS})
  # One precompiled header for all test programs (tests/support): built once, not per test.
  # The moc file needs none (each test includes its moc output itself), and loading it would
  # cost more than compiling that file.
  target_precompile_headers(${T_NAME} REUSE_FROM TavoTestPch)
  target_compile_options(${T_NAME} PRIVATE ${TAVO_TEST_COMPILE_OPTIONS})
  set_source_files_properties("${CMAKE_CURRENT_BINARY_DIR}/${T_NAME}_autogen/mocs_compilation.cpp"
                              PROPERTIES SKIP_PRECOMPILE_HEADERS ON)
  if(T_XVFB)
    set(platform xcb)
    list(APPEND T_LABELS xvfb)
  else()
    set(platform offscreen)
  endif()
  add_test(NAME ${T_NAME}
           COMMAND "${PROJECT_SOURCE_DIR}/tests/run-test.sh" ${platform} $<TARGET_FILE:${T_NAME}>)
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  set(environment "TAVO_NPM_DIR=${CMAKE_BINARY_DIR}/npm" "TAVO_SOURCE_DIR=${PROJECT_SOURCE_DIR}")
  if(T_RESOURCE_LOCK)
    set_tests_properties(${T_NAME} PROPERTIES RESOURCE_LOCK ${T_RESOURCE_LOCK})
    if(T_RESOURCE_LOCK MATCHES "^port[0-9]+$")
      list(APPEND environment "TAVO_MACHINE_LOCK=${T_RESOURCE_LOCK}")
    endif()
  endif()
  set_tests_properties(${T_NAME} PROPERTIES
    TIMEOUT ${T_TIMEOUT}
    LABELS "${T_LABELS}"
    SKIP_RETURN_CODE 77
    ENVIRONMENT "${environment}")
endfunction()
