#pragma once
// The in-link or out-link list of a node: a doubly linked list of cells that refers to links without
// owning them. Links are appended at the tail and every walk starts at the head, so links are always
// visited in the order in which they were joined; training results depend on that order.

namespace torvask {

class BASE_LINK;

class LinkList {
public:
    LinkList() = default;
    ~LinkList();
    LinkList(const LinkList&) = delete;
    LinkList& operator=(const LinkList&) = delete;

    // 1 when the link was appended; 0 when no cell could be allocated ("Unable to allocate Node..." is
    // written to standard output and the list stays as it was).
    int append(BASE_LINK* link);

    int getCount() const { return count; }

    // Walks: first() puts the cursor on the head and returns its link (null for an empty list); next()
    // moves the cursor on and returns the link there (null past the tail, where the cursor stays).
    BASE_LINK* first();
    BASE_LINK* next();
    BASE_LINK* current() const;

    // Calls visit(link) for the count cells from the head, leaving the cursor on the last one visited.
    template <typename Visit>
    void forEach(Visit&& visit) {
        Cell* cell = head;
        for (int i = 0; i < count && cell != nullptr; ++i) {
            cursor = cell;
            visit(cell->link);
            cell = cell->next;
        }
    }

private:
    struct Cell {
        Cell* next = nullptr;
        Cell* previous = nullptr;
        BASE_LINK* link = nullptr;
    };

    Cell* head = nullptr;
    Cell* tail = nullptr;
    Cell* cursor = nullptr;
    int count = 0;
};

}  // namespace torvask
