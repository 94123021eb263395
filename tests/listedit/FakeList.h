#pragma once
// A list and window caption held in memory.

#include "Errors.h"
#include "ListEditing.h"

#include <string>
#include <vector>

class TFakeList : public IEditableList {
public:
    explicit TFakeList(std::vector<std::string> entries = {}, size_t capacity = 1000)
        : Entries(std::move(entries)), Marks(Entries.size(), false), Capacity(capacity)
    {
    }
    int Count() override { return static_cast<int>(Entries.size()); }
    std::string Entry(int i) override { return Entries.at(i); }
    bool Selected(int i) override { return Marks.at(i); }
    void SelectAll() override { Marks.assign(Entries.size(), true); }
    void Remove(int i) override
    {
        Removed.push_back(i);
        Entries.erase(Entries.begin() + i);
        Marks.erase(Marks.begin() + i);
    }
    void Append(const std::string& line) override
    {
        if (Entries.size() >= Capacity)
            throw Exception("Unable to insert a line");
        Entries.push_back(line);
        Marks.push_back(false);
    }
    void SetCaption(const std::string& text) override { Caption = text; }

    void Select(std::initializer_list<int> rows)
    {
        for (int row : rows)
            Marks.at(row) = true;
    }

    std::vector<std::string> Entries;
    std::vector<bool> Marks;
    std::vector<int> Removed;
    std::string Caption = "Plinkavorte";
    size_t Capacity;
};
