#pragma once
// A connection between two nodes carrying its own weight (value entry 0). Links refer to their nodes
// without owning them.
#include <iosfwd>
#include <string>
#include <vector>

namespace torvask {

class BASE_NODE;

class BASE_LINK {
public:
    // Every entry starts at 0.0; a size of 0 or less gives an empty set. Draws the next link id.
    explicit BASE_LINK(int valueSetSize);
    virtual ~BASE_LINK();
    BASE_LINK(const BASE_LINK&) = delete;
    BASE_LINK& operator=(const BASE_LINK&) = delete;

    // Generic record: id, then the value set count and entries (18 significant digits).
    virtual void save(std::ostream& out);
    virtual void load(std::istream& in);
    // Reads outside the set answer -1.0; writes there are ignored.
    virtual double getValue(int index = 0);
    virtual void setValue(double value, int index = 0);
    virtual void setSourceNode(BASE_NODE* node);
    virtual void setDestNode(BASE_NODE* node);
    virtual BASE_NODE* getSourceNode();
    virtual BASE_NODE* getDestNode();
    virtual std::string getName();
    virtual void updateWeight(double delta);
    // The value and error readers answer -1.0 while the link has no node at that end.
    virtual double getSourceValue(int index = 0);
    virtual double getDestValue(int index = 0);
    virtual double getSourceError(int index = 0);
    virtual double getDestError(int index = 0);
    virtual double getWeightedSourceValue(int index = 0);
    virtual double getWeightedDestValue(int index = 0);
    virtual double getWeightedSourceError(int index = 0);
    virtual double getWeightedDestError(int index = 0);
    virtual int getValueSetSize();
    virtual void epoch(int mode = 0);

    int getId() const { return id; }

    // The id the most recently built link took (-1 before the first). Read-only view of the counter.
    static int lastLinkId();

protected:
    // The id written for a missing node in link records.
    static int nodeIdOf(BASE_NODE* node);

    int id;
    std::vector<double> valueSet;
    BASE_NODE* sourceNode = nullptr;
    BASE_NODE* destNode = nullptr;
    int valueSetSize;
};

}  // namespace torvask
