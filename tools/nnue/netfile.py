"""The net file the engine loads, little-endian:

    8 bytes   magic "QORATNN1"
    u32       inputs, 1260
    u32       H, the hidden neurons of each side (a multiple of 32, at most 1024)
    int16     W[1260][H], a row of H for each feature
    int16     bias[H]
    int16     OW[2H], the side to move's H first
    int32     OB
    u64       FNV-1a 64 of every byte before it

The numbers are those of network.py's quantised net."""

import struct

import numpy as np

from . import features
from .network import Net

MAGIC = b"QORATNN1"
HIDDEN_STEP = 32
MOST_HIDDEN = 1024
FNV_OFFSET = 14695981039346656037
FNV_PRIME = 1099511628211
_HEAD = struct.Struct("<8sII")
_CHECKSUM = struct.Struct("<Q")


class NetFileError(ValueError):
    pass


def fnv1a64(data):
    value = FNV_OFFSET
    for byte in data:
        value = ((value ^ byte) * FNV_PRIME) & 0xFFFFFFFFFFFFFFFF
    return value


def size(hidden):
    return _HEAD.size + 2 * (features.FEATURES * hidden + hidden + 2 * hidden) + 4 + _CHECKSUM.size


def to_bytes(net):
    hidden = len(net.bias)
    if hidden % HIDDEN_STEP or not 0 < hidden <= MOST_HIDDEN:
        raise NetFileError("H = %d is no multiple of %d up to %d" % (hidden, HIDDEN_STEP, MOST_HIDDEN))
    body = b"".join([
        _HEAD.pack(MAGIC, features.FEATURES, hidden),
        np.asarray(net.weights, "<i2").reshape(features.FEATURES, hidden).tobytes(),
        np.asarray(net.bias, "<i2").tobytes(),
        np.asarray(net.output_weights, "<i2").tobytes(),
        struct.pack("<i", int(net.output_bias)),
    ])
    return body + _CHECKSUM.pack(fnv1a64(body))


def write(path, net):
    with open(path, "wb") as f:
        f.write(to_bytes(net))


def from_bytes(data):
    if len(data) < _HEAD.size:
        raise NetFileError("too short for a net file")
    magic, inputs, hidden = _HEAD.unpack_from(data)
    if magic != MAGIC or inputs != features.FEATURES:
        raise NetFileError("not a net of %d inputs" % features.FEATURES)
    if hidden % HIDDEN_STEP or not 0 < hidden <= MOST_HIDDEN or len(data) != size(hidden):
        raise NetFileError("%d bytes for H = %d" % (len(data), hidden))
    (checksum,) = _CHECKSUM.unpack_from(data, len(data) - _CHECKSUM.size)
    if checksum != fnv1a64(data[:-_CHECKSUM.size]):
        raise NetFileError("checksum mismatch")
    numbers = np.frombuffer(data, "<i2", offset=_HEAD.size,
                            count=features.FEATURES * hidden + 3 * hidden).astype(np.int16)
    weights = numbers[:features.FEATURES * hidden].reshape(features.FEATURES, hidden)
    bias = numbers[features.FEATURES * hidden:][:hidden]
    output_weights = numbers[features.FEATURES * hidden + hidden:]
    (output_bias,) = struct.unpack_from("<i", data, len(data) - _CHECKSUM.size - 4)
    return Net(weights, bias, output_weights, output_bias)


def read(path):
    with open(path, "rb") as f:
        return from_bytes(f.read())
