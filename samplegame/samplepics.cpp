#include "samplepics.h"

#include <cstdio>

#include "le.h"

namespace {

using namespace samplePicsParts;

// Frame `n`: a sky gradient, a ground band and a ball moving left to right.
std::vector<uint8_t> pictureBmp(int n)
{
    const uint32_t stride = (width * 3 + 3) / 4 * 4;
    const uint32_t pixelBytes = stride * height;
    std::vector<uint8_t> b;
    leAppend16(b, 0x4D42);
    leAppend32(b, 54 + pixelBytes);
    leAppend32(b, 0);
    leAppend32(b, 54);
    leAppend32(b, 40);
    leAppend32(b, width);
    leAppend32(b, height);
    leAppend16(b, 1);
    leAppend16(b, 24);
    leAppend32(b, 0);
    leAppend32(b, pixelBytes);
    leAppend32(b, 2835);
    leAppend32(b, 2835);
    leAppend32(b, 0);
    leAppend32(b, 0);
    const int ballX = 20 + n * (width - 40) / (frames - 1);
    const int ballY = 150 - (n * (frames - 1 - n)) / 3;  // up and down again
    for (int y = 0; y < height; ++y) {  // bottom row first
        for (int x = 0; x < width; ++x) {
            uint8_t blue, green, red;
            const int dx = x - ballX, dy = y - ballY;
            if (dx * dx + dy * dy <= 16 * 16) {
                blue = 30, green = 60, red = static_cast<uint8_t>(200 + n);
            } else if (y < 60) {
                blue = 40, green = static_cast<uint8_t>(120 + (x + n * 4) % 40), red = 50;
            } else {
                blue = static_cast<uint8_t>(255 - y / 2), green = static_cast<uint8_t>(140 + y / 4),
                red = static_cast<uint8_t>(90 + y / 3);
            }
            b.push_back(blue);
            b.push_back(green);
            b.push_back(red);
        }
        b.resize(b.size() + (stride - width * 3), 0);
    }
    return b;
}

// A rising triangle-wave tone as long as the pictures last.
std::vector<uint8_t> soundtrackWav()
{
    const uint32_t count = sampleRate * frames / frameRate;
    std::vector<uint8_t> b = {'R', 'I', 'F', 'F'};
    leAppend32(b, 36 + count * 2);
    b.insert(b.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    leAppend32(b, 16);
    leAppend16(b, 1);  // PCM
    leAppend16(b, 1);
    leAppend32(b, sampleRate);
    leAppend32(b, sampleRate * 2);
    leAppend16(b, 2);
    leAppend16(b, 16);
    b.insert(b.end(), {'d', 'a', 't', 'a'});
    leAppend32(b, count * 2);
    uint32_t phase = 0;
    for (uint32_t i = 0; i < count; ++i) {
        phase += 0x01000000u + i * 0x200u;  // the pitch rises slowly
        const int32_t tri = static_cast<int32_t>(phase >> 16);  // 0..65535
        const int32_t v = (tri < 32768 ? tri : 65535 - tri) - 16384;
        leAppend16(b, static_cast<uint16_t>(v));
    }
    return b;
}

}  // namespace

void samplePicsAdd(std::vector<SampleGameFile>& files)
{
    for (int n = 0; n < frames; ++n) {
        char name[64];
        std::snprintf(name, sizeof name, "%s%04d.bmp", prefix, n);
        files.push_back({name, "movie picture " + std::to_string(n + 1) + " of " +
                                   std::to_string(frames),
                         pictureBmp(n)});
    }
    files.push_back({soundtrack, "movie soundtrack", soundtrackWav()});
}
