#pragma once

#include <cstdint>

// The id of a node type; plug-in node types bring their own.
class MTypeId {
public:
    MTypeId() = default;
    explicit MTypeId(uint32_t id) : id_(id) {}

    uint32_t id() const { return id_; }
    bool operator==(const MTypeId& other) const { return id_ == other.id_; }

private:
    uint32_t id_ = 0;
};
