#pragma once
// The root of the node family: an output value set, an error set and the lists of links into and out of
// the node. Every learning operation here does nothing; derived nodes supply the behaviour.
#include <iosfwd>
#include <string>
#include <vector>

#include "neural/LinkList.h"

namespace torvask {

class BASE_LINK;

class BASE_NODE {
public:
    // A size of 0 or less gives an empty set. Every entry starts at 0.0. Draws the next node id.
    BASE_NODE(int valueSetSize, int errorSetSize);
    virtual ~BASE_NODE();
    BASE_NODE(const BASE_NODE&) = delete;
    BASE_NODE& operator=(const BASE_NODE&) = delete;

    virtual void run(int index = 0);
    virtual void learn(int mode = 0);
    virtual void epoch(int mode = 0);
    // Node record: id (width 4), value set, error set; doubles with 18 significant digits. A record that
    // cannot be read completely (or announces a negative or oversized set) leaves the stream failed and
    // the node as it was.
    virtual void load(std::istream& in);
    virtual void save(std::ostream& out);
    // Reads of an index outside the set answer -1.0 and writes there are ignored, so a node whose sets
    // came from a damaged text can never be driven past its arrays.
    virtual double getValue(int index = 0);
    virtual void setValue(double value, int index = 0);
    virtual double getError(int index = 0);
    virtual void setError(double value, int index = 0);
    virtual std::string getName();
    // Debug dump at the stream's current precision.
    virtual void print(std::ostream& out);

    int getId() const { return id; }
    int getValueSetSize() const { return valueSetSize; }
    int getErrorSetSize() const { return errorSetSize; }
    LinkList& getInLinks() { return inLinks; }
    LinkList& getOutLinks() { return outLinks; }

    // The largest set a node record may announce; anything larger is a damaged text.
    static constexpr int kMaxSetSize = 4096;

    // The id the most recently built node took (-1 before the first). Read-only view of the counter.
    static int lastNodeId();

protected:
    int id;
    std::vector<double> valueSet;
    int valueSetSize;
    std::vector<double> errorSet;
    int errorSetSize;
    LinkList inLinks;
    LinkList outLinks;
};

// Joins two nodes: the link goes to the tail of from's out-links and of to's in-links, then learns its
// source and destination.
void connect(BASE_NODE* from, BASE_NODE* to, BASE_LINK* link);

}  // namespace torvask
