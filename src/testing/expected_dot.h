// The DOT text the tests expect, spelled out independently of the writer.
#ifndef CLUDEMAP_TESTING_EXPECTED_DOT_H_
#define CLUDEMAP_TESTING_EXPECTED_DOT_H_

#include <string>

// The four opening lines and the closing line of every DOT file.
extern const std::string kExpectedOpening;
extern const std::string kExpectedClosing;

// A node statement; `label` is given as it must appear in the file, that is
// already escaped.
std::string nodeLine(int id, const std::string& label);

// Edges from the included header `child` to its includer `parent`.
std::string blueEdge(int child, int parent);
std::string orangeEdge(int child, int parent);

// A whole expected DOT file, built statement by statement.
class ExpectedDot {
 public:
  ExpectedDot& node(int id, const std::string& escapedLabel) {
    statements_ += nodeLine(id, escapedLabel);
    return *this;
  }
  ExpectedDot& blue(int child, int parent) {
    statements_ += blueEdge(child, parent);
    return *this;
  }
  ExpectedDot& orange(int child, int parent) {
    statements_ += orangeEdge(child, parent);
    return *this;
  }
  // In the form the tool under test writes it (dotLineEnds).
  std::string str() const;

 private:
  std::string statements_;
};

#endif  // CLUDEMAP_TESTING_EXPECTED_DOT_H_
