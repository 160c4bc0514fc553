#pragma once

#include <cstdint>

// 32-bit result codes of the chart engine and the adjacency builder: zero or positive is
// success, negative is failure.
using HRESULT = int32_t;

constexpr HRESULT S_OK = 0;
constexpr HRESULT E_ABORT = static_cast<HRESULT>(0x80004004u);
constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005u);
constexpr HRESULT E_POINTER = static_cast<HRESULT>(0x80004003u);
constexpr HRESULT E_UNEXPECTED = static_cast<HRESULT>(0x8000FFFFu);
constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057u);
constexpr HRESULT E_OUTOFMEMORY = static_cast<HRESULT>(0x8007000Eu);
constexpr HRESULT E_INVALID_DATA = static_cast<HRESULT>(0x8007000Du);
constexpr HRESULT E_ARITHMETIC_OVERFLOW = static_cast<HRESULT>(0x80070216u);

constexpr bool SUCCEEDED(HRESULT result) {
    return result >= 0;
}
constexpr bool FAILED(HRESULT result) {
    return result < 0;
}
