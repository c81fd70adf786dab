// QuietOutput: sends standard output to /dev/null for its lifetime, at the file-descriptor level,
// so that the game's loading lines do not break up the benchmark table. Owns the saved descriptor.
#pragma once

class QuietOutput {
public:
    QuietOutput();
    ~QuietOutput();
    QuietOutput(const QuietOutput&) = delete;
    QuietOutput& operator=(const QuietOutput&) = delete;

private:
    int saved = -1;
};
