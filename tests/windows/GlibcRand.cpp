// The GNU C library's rand() and srand() for the Windows test programs. The tests seed rand() and
// hold what the game draws from it to reference frames made on Linux, but Windows' C runtime
// draws another sequence from the same seed. Linked into every Windows test program (and never
// into dustreach.exe), these replace the runtime's: the additive generator x[i] = x[i-3] + x[i-31]
// over 31 words seeded by a multiplicative one, its first 310 outputs dropped, each result the
// sum without its lowest bit.
#include <array>
#include <cstdint>
#include <cstdlib>

namespace {

class AdditiveGenerator {
public:
    explicit AdditiveGenerator(unsigned int seed) { reseed(seed); }

    void reseed(unsigned int seed)
    {
        std::int32_t word = seed == 0 ? 1 : static_cast<std::int32_t>(seed);
        words[0] = static_cast<std::uint32_t>(word);
        for (std::size_t i = 1; i < words.size(); ++i) {
            // 16807 * word modulo 2^31 - 1, without overflow (Schrage's method).
            const std::int32_t high = word / 127773;
            const std::int32_t low = word % 127773;
            word = 16807 * low - 2836 * high;
            if (word < 0)
                word += 2147483647;
            words[i] = static_cast<std::uint32_t>(word);
        }
        front = 3;
        rear = 0;
        for (int i = 0; i < 310; ++i)
            next();
    }

    int next()
    {
        words[front] += words[rear];
        const std::uint32_t result = words[front] >> 1;
        front = (front + 1) % words.size();
        rear = (rear + 1) % words.size();
        return static_cast<int>(result);
    }

private:
    std::array<std::uint32_t, 31> words{};
    std::size_t front = 3;
    std::size_t rear = 0;
};

AdditiveGenerator& generator()
{
    static AdditiveGenerator instance(1);
    return instance;
}

}  // namespace

extern "C" {

int rand()
{
    return generator().next();
}

void srand(unsigned int seed)
{
    generator().reseed(seed);
}
}
