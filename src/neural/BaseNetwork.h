#pragma once
// A network is itself a node that owns an array of nodes and an array of links. Derived networks build
// their nodes, links and wiring in createNetwork.
#include <memory>
#include <vector>

#include "neural/BaseLink.h"
#include "neural/BaseNode.h"

namespace torvask {

class BASE_NETWORK : public BASE_NODE {
public:
    // Empty value and error sets, no nodes, no links. Draws its id from the node counter.
    BASE_NETWORK();
    ~BASE_NETWORK() override;

    // epoch on every node, then on every link, in array order.
    void epoch(int mode = 0) override;
    std::string getName() override;
    // The node dump of every node in array order.
    void print(std::ostream& out) override;

    virtual void createNetwork();
    virtual void loadInputs();
    // numNodes, numLinks, then every node record and every link record.
    virtual void saveNodesAndLinks(std::ostream& out);
    // Reads numNodes and numLinks, rebuilds with createNetwork and reads every node and link record.
    // Counts outside the limits below, counts that createNetwork cannot build, node records whose sets
    // are smaller than their class needs, or a stream that ends early leave the stream failed and the
    // network exactly as it was before the call.
    virtual void loadNodesAndLinks(std::istream& in);

    int getNumNodes() const { return numNodes; }
    int getNumLinks() const { return numLinks; }
    // The node or link at an array index, or null outside the arrays.
    BASE_NODE* getNode(int index) const;
    BASE_LINK* getLink(int index) const;
    // False after a node, link or list cell could not be allocated, or when the network was asked for a
    // shape outside its limits: such a network has no nodes and cannot be run or trained.
    bool isComplete() const { return complete; }

    // Limits of what a network may hold, so that no text can make it allocate without bound.
    static constexpr int kMaxNodes = 4096;
    static constexpr int kMaxLinks = 262144;

protected:
    // Destroys every node and link and empties both arrays.
    void releaseNodesAndLinks();
    // Whether every link sits in exactly one out-link list and one in-link list of the network's nodes
    // (a list cell that could not be allocated leaves a link out).
    bool wiringComplete() const;

    int numNodes = 0;
    int numLinks = 0;
    std::vector<std::unique_ptr<BASE_NODE>> nodes;
    std::vector<std::unique_ptr<BASE_LINK>> links;
    bool complete = true;
};

}  // namespace torvask
