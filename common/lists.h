// A one-word stack, used while rebuilding a tree from its post-order entries.
#pragma once

#include <vector>

template <class T>
struct Stack {
    std::vector<T> items;  // bottom first
};

template <class T>
void push(T word, Stack<T>& stack) {
    stack.items.push_back(word);
}

// Removes and returns the top word; a value-initialised word when the stack is empty.
template <class T>
T pop(Stack<T>& stack) {
    if (stack.items.empty()) return T{};
    T word = stack.items.back();
    stack.items.pop_back();
    return word;
}

template <class T>
bool empty_s(const Stack<T>& stack) {
    return stack.items.empty();
}
