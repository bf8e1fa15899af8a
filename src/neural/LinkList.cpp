#include "neural/LinkList.h"

#include <iostream>
#include <new>

namespace torvask {

LinkList::~LinkList() {
    Cell* cell = head;
    while (cell != nullptr) {
        Cell* next = cell->next;
        delete cell;
        cell = next;
    }
}

int LinkList::append(BASE_LINK* link) {
    Cell* cell = new (std::nothrow) Cell;
    if (cell == nullptr) {
        std::cout << "Unable to allocate Node..." << std::endl;
        return 0;
    }
    cell->link = link;
    cell->previous = tail;
    if (tail != nullptr) {
        tail->next = cell;
    } else {
        head = cell;
    }
    tail = cell;
    ++count;
    return 1;
}

BASE_LINK* LinkList::first() {
    cursor = head;
    return current();
}

BASE_LINK* LinkList::next() {
    if (cursor == nullptr || cursor->next == nullptr) {
        return nullptr;
    }
    cursor = cursor->next;
    return cursor->link;
}

BASE_LINK* LinkList::current() const { return cursor != nullptr ? cursor->link : nullptr; }

}  // namespace torvask
