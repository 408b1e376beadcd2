// Writes the seed corpus of db_fuzz: DB archives from the test fixtures.
#include "dbtool/fixtures.h"

#include <cstdio>
#include <string>

namespace {

bool writeSeed(const std::string& dir, const std::string& name, const std::vector<uint8_t>& bytes)
{
    FILE* f = std::fopen((dir + "/" + name).c_str(), "wb");
    if (!f)
        return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s DIR\n", argv[0]);
        return 1;
    }
    const std::string dir = argv[1];
    bool ok = writeSeed(dir, "sample.db", dbFixtureBuild(dbFixtureSample()).bytes);

    DbFixture tail = dbFixtureSample();
    tail.tail = dbFixtureBytes(40, 0x60);
    ok = writeSeed(dir, "tail.db", dbFixtureBuild(tail).bytes) && ok;

    DbFixture small;
    small.chunks.push_back({0x06, {{0x0601, dbFixtureBytes(4, 1)}}, {}});
    small.chunks.push_back({0x0A, {{0x0A01, dbFixtureBytes(8, 2)}, {0x0A02, dbFixtureBytes(4, 3)}}, {}});
    ok = writeSeed(dir, "small.db", dbFixtureBuild(small).bytes) && ok;

    DbFixture odd;
    odd.padFiles = false;
    odd.chunks.push_back({0x04, {{1, dbFixtureBytes(5, 9)}, {2, dbFixtureBytes(7, 3)}, {3, {}}},
                          {0xEE, 0xEE, 0xEE}});
    odd.afterData = 0xCAFE;
    ok = writeSeed(dir, "odd.db", dbFixtureBuild(odd).bytes) && ok;

    DbFixture empty;
    empty.chunks.push_back({0x1B, {}, {}});
    ok = writeSeed(dir, "empty-chunk.db", dbFixtureBuild(empty).bytes) && ok;
    return ok ? 0 : 1;
}
