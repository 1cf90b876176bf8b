# The engine, defined once: every source of src/ but the driver's. The program's build and the
# fuzz build both make their library from this (velmora_engine_library), so a source is added
# in one place.
set(VELMORA_SOURCE_DIR ${CMAKE_CURRENT_LIST_DIR}/..)

set(VELMORA_ENGINE_SOURCES
  # common: files, the one buffered writer, the run's file set
  src/common/bytesink.cpp
  src/common/files.cpp
  src/common/runfiles.cpp
  # batch: record and result lines, evaluation, the batch loop
  src/batch/batch.cpp
  src/batch/record.cpp
  # iban: check number, field checks, country rules, IBAN construction and validation
  src/iban/checknr.cpp
  src/iban/country.cpp
  src/iban/fieldcheck.cpp
  src/iban/iban.cpp
  src/iban/kontocheck.cpp
  src/iban/nationalcheck.cpp
  src/iban/registry.cpp
  src/iban/checkmethods/methods00to39.cpp
  src/iban/checkmethods/methods40to79.cpp
  src/iban/checkmethods/methods80toA9.cpp
  src/iban/checkmethods/methodsB0toE4.cpp
  # bicdir: the BIC directory's lines, its index, the one-shot functions, the bank code file
  src/bicdir/bankfile.cpp
  src/bicdir/banktable.cpp
  src/bicdir/bicdir.cpp
  src/bicdir/bicindex.cpp
  src/bicdir/bictable.cpp
  src/bicdir/bicline.cpp
  # iso20022: the payment-file scanners, harvest and rewrite
  src/iso20022/harvest.cpp
  src/iso20022/harvestscan.cpp
  src/iso20022/painversion.cpp
  src/iso20022/paymentfile.cpp
  src/iso20022/rewrite.cpp
  src/iso20022/rewritescan.cpp)

# The file-system layer at the bottom of the engine, one implementation per platform.
if(WIN32)
  list(APPEND VELMORA_ENGINE_SOURCES src/common/fsys-win32.cpp)
else()
  list(APPEND VELMORA_ENGINE_SOURCES src/common/fsys-posix.cpp)
endif()

# The driver: dispatch, stages, messages, exit status, and the console side of the platform.
set(VELMORA_DRIVER_SOURCES src/driver/run.cpp src/driver/messages.cpp src/driver/bicrun.cpp
  src/driver/bicmessages.cpp src/driver/consoletext.cpp)
if(WIN32)
  list(APPEND VELMORA_DRIVER_SOURCES src/driver/platform-win32.cpp)
else()
  list(APPEND VELMORA_DRIVER_SOURCES src/driver/platform-posix.cpp)
endif()

# velmora_engine_library(NAME): a static library of the engine under NAME.
function(velmora_engine_library name)
  list(TRANSFORM VELMORA_ENGINE_SOURCES PREPEND ${VELMORA_SOURCE_DIR}/ OUTPUT_VARIABLE sources)
  add_library(${name} STATIC ${sources})
  target_include_directories(${name} PUBLIC ${VELMORA_SOURCE_DIR}/src)
endfunction()
