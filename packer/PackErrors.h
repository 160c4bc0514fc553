#pragma once

#include <stdexcept>

namespace OmbrixVectorPacker {

// Input the packer refuses before it changes anything: numbers out of range, UVs that are
// not finite or whose span its arithmetic cannot represent, settings that are not numbers.
class PackInputError : public std::invalid_argument {
public:
    using std::invalid_argument::invalid_argument;
};

// Charts that cannot keep the padding in the texture they are packed for: the texture is
// too small for their number at that padding. The UVs are left unchanged.
class PackSpaceError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

} // namespace OmbrixVectorPacker
