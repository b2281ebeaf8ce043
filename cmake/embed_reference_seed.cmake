# Writes a C++ source that holds the sample reference seed files, so that the
# library can build the sample reference database without a data folder.
#   cmake -DOUTPUT=file.cpp -DSEED_DIR=data/reference -P embed_reference_seed.cmake
file(GLOB seeds "${SEED_DIR}/*.tsv")
list(SORT seeds)
set(body "")
set(entries "")
set(n 0)
foreach(seed IN LISTS seeds)
  get_filename_component(name "${seed}" NAME)
  file(READ "${seed}" hex HEX)
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "'\\\\x\\1'," bytes "${hex}")
  string(APPEND body "const char kSeed${n}[] = {${bytes}};\n")
  string(APPEND entries "    {\"${name}\", std::string_view(kSeed${n}, sizeof kSeed${n})},\n")
  math(EXPR n "${n} + 1")
endforeach()
file(WRITE "${OUTPUT}.tmp"
"// Generated from data/reference by cmake/embed_reference_seed.cmake; do not edit.
#include <span>
#include <string_view>

#include \"reference/reference_database.h\"

namespace svrZIVE {
namespace {
${body}
const SeedFile kSeedFiles[] = {
${entries}};
}  // namespace

std::span<const SeedFile> sampleSeedFiles() { return kSeedFiles; }

}  // namespace svrZIVE
")
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.tmp")
