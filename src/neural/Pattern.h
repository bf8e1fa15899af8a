#pragma once
// One training example: an input vector and a target vector. Patterns are values.
#include <iosfwd>
#include <vector>

namespace torvask {

class PATTERN {
public:
    // Reads the id from the stream, sizes both arrays (a negative size counts as 0), then load().
    PATTERN(int inSize, int outSize, std::istream& in);
    // A pattern built in memory; the sizes are those of the vectors.
    PATTERN(int id, std::vector<double> inputs, std::vector<double> outputs);
    PATTERN(const PATTERN& other) = default;
    PATTERN& operator=(const PATTERN& other) = default;
    virtual ~PATTERN() = default;

    // Reads outside the arrays answer -1.0; writes there are ignored.
    virtual double getIn(int i);
    virtual double getOut(int i);
    virtual void setIn(int i, double value);
    virtual void setOut(int i, double value);
    virtual int getInSize();
    virtual int getOutSize();
    // One line: id, a tab, each input followed by a tab, the targets separated by tabs, a newline; at
    // the stream's current precision.
    virtual void save(std::ostream& out);
    // Reads inSize inputs and outSize targets, then consumes the line ends (LF or CR LF) that follow, so
    // that the end of input shows right after the last record.
    virtual void load(std::istream& in);
    // Debug dump to standard output.
    virtual void print();
    virtual int getId();
    // Copies the inputs when the input counts agree and, independently, the targets when the target
    // counts agree.
    virtual void copyFrom(PATTERN& other);

private:
    std::vector<double> inputs;
    std::vector<double> outputs;
    int id = 0;
    int inSize = 0;
    int outSize = 0;
};

}  // namespace torvask
