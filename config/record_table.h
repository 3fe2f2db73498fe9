// Texts by id in ascending id order. A sorted vector costs the launcher far
// less code than a tree: a block is read once, in ascending order, and then
// only looked up.
#ifndef PELLUX_CONFIG_RECORD_TABLE_H
#define PELLUX_CONFIG_RECORD_TABLE_H

#include <cstdint>
#include <initializer_list>
#include <utility>
#include <vector>

template <typename Text>
class RecordTable {
public:
    using value_type = std::pair<int32_t, Text>;
    using iterator = typename std::vector<value_type>::iterator;
    using const_iterator = typename std::vector<value_type>::const_iterator;

    RecordTable() = default;
    RecordTable(std::initializer_list<value_type> entries) { assign(entries); }
    // From any map of id to text (tests write their records as std::map).
    template <typename Map, typename = decltype(std::declval<const Map &>().begin()->second)>
    RecordTable(const Map &map) {
        assign(map);
    }

    // Appending a higher id than the last is the common case and takes no search.
    Text &operator[](int32_t id) {
        iterator at = lowerBound(id);
        if (at == entries_.end() || at->first != id)
            at = entries_.insert(at, value_type(id, Text()));
        return at->second;
    }
    iterator find(int32_t id) {
        iterator at = lowerBound(id);
        return at != entries_.end() && at->first == id ? at : entries_.end();
    }
    const_iterator find(int32_t id) const { return const_cast<RecordTable *>(this)->find(id); }
    size_t count(int32_t id) const { return find(id) == end() ? 0 : 1; }

    iterator begin() { return entries_.begin(); }
    iterator end() { return entries_.end(); }
    const_iterator begin() const { return entries_.begin(); }
    const_iterator end() const { return entries_.end(); }
    size_t size() const { return entries_.size(); }
    bool empty() const { return entries_.empty(); }
    void clear() { entries_.clear(); }
    bool operator==(const RecordTable &other) const { return entries_ == other.entries_; }
    bool operator!=(const RecordTable &other) const { return !(*this == other); }

private:
    template <typename Entries>
    void assign(const Entries &entries) {
        for (const auto &entry : entries)
            (*this)[entry.first] = entry.second;
    }
    iterator lowerBound(int32_t id) {
        if (entries_.empty() || entries_.back().first < id)
            return entries_.end();
        size_t low = 0, high = entries_.size();
        while (low < high) {
            size_t middle = (low + high) / 2;
            if (entries_[middle].first < id)
                low = middle + 1;
            else
                high = middle;
        }
        return entries_.begin() + static_cast<std::ptrdiff_t>(low);
    }

    std::vector<value_type> entries_;
};

#endif
