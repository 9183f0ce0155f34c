"""The network as the engine computes it, in numpy: one feature transformer shared by both
sides, acc[P] = bias + the sum of W[f] over P's active features (features.py); SCReLU,
v = clamp(acc, 0, 1)^2; and one output from the side to move's v and then the other's,
out = v_mover . OW[:H] + v_other . OW[H:] + OB. The float net is what training gives, its
output times SCALE centipawns for the side to move. The quantised net holds integers:
W and bias times QA, OW times QB, OB times QA * QB, and evaluate() follows the engine's
integer arithmetic exactly (every division rounding toward zero):

    c = clamp(acc, 0, QA), v = c * c
    out = (v_mover . OW[:H] + v_other . OW[H:]) / QA + OB
    centipawns = out * SCALE / (QA * QB)

It is the reference the engine's evaluation is checked against."""

import collections

import numpy as np

from . import dataset

Net = collections.namedtuple("Net", "weights bias output_weights output_bias")

QA = 255
QB = 64
SCALE = 400
# An output weight of at most 127 / QB quantises to at most 127.
OUTPUT_WEIGHT_LIMIT = 127 / QB
# With weights and bias of at most this, 32 pieces and the bias keep an accumulator within
# int16, so that the engine may keep it so; a whole number of steps, so that rounding stays
# within it.
TRANSFORMER_LIMIT = (np.iinfo(np.int16).max // (dataset.MOST_PIECES + 1)) / QA


def clipped(net):
    """The float net with its weights within the limits that quantisation needs."""
    return Net(np.clip(net.weights, -TRANSFORMER_LIMIT, TRANSFORMER_LIMIT),
               np.clip(net.bias, -TRANSFORMER_LIMIT, TRANSFORMER_LIMIT),
               np.clip(net.output_weights, -OUTPUT_WEIGHT_LIMIT, OUTPUT_WEIGHT_LIMIT),
               float(net.output_bias))


def quantise(net):
    """The integer net of a float one within the limits."""
    return Net(np.rint(np.asarray(net.weights) * QA).astype(np.int16),
               np.rint(np.asarray(net.bias) * QA).astype(np.int16),
               np.rint(np.asarray(net.output_weights) * QB).astype(np.int16),
               int(np.rint(net.output_bias * QA * QB)))


def dequantise(net):
    """The float net the integers stand for."""
    return Net(net.weights / QA, net.bias / QA, net.output_weights / QB, net.output_bias / (QA * QB))


def _accumulators(weights, bias, active, dtype):
    rows = np.concatenate([np.asarray(weights, dtype), np.zeros((1, len(bias)), dtype)])
    return np.asarray(bias, dtype) + rows[active].sum(axis=1)


def float_output(net, mover, other):
    """The float net's output for the positions of the active features (features.perspectives)."""
    hidden = len(net.bias)
    v_mover = np.clip(_accumulators(net.weights, net.bias, mover, np.float64), 0, 1) ** 2
    v_other = np.clip(_accumulators(net.weights, net.bias, other, np.float64), 0, 1) ** 2
    ow = np.asarray(net.output_weights, np.float64)
    return v_mover @ ow[:hidden] + v_other @ ow[hidden:] + net.output_bias


def _toward_zero(numerator, denominator):
    return np.sign(numerator) * (np.abs(numerator) // denominator)


def evaluate(net, mover, other):
    """The quantised net's evaluation, centipawns for the side to move, as integers."""
    hidden = len(net.bias)
    c_mover = np.clip(_accumulators(net.weights, net.bias, mover, np.int64), 0, QA)
    c_other = np.clip(_accumulators(net.weights, net.bias, other, np.int64), 0, QA)
    ow = np.asarray(net.output_weights, np.int64)
    out = _toward_zero((c_mover * c_mover) @ ow[:hidden] + (c_other * c_other) @ ow[hidden:], QA) + net.output_bias
    return _toward_zero(out * SCALE, QA * QB)


def quantisation_bound(net, quantised, mover, other):
    """For each position, how far, in centipawns, the quantised net's evaluation may lie from
    the float net's: each neuron's accumulator off by d gives a v off by at most d (2a + d),
    with a the float activation; each weight is off by its rounding; each division's
    rounding costs below one unit of its result."""
    hidden = len(net.bias)
    ow = quantised.output_weights.astype(np.float64) / QB
    ow_error = np.abs(ow - net.output_weights)
    total = np.abs(quantised.output_bias / (QA * QB) - net.output_bias) + 1 / (QA * QB)
    for active, half in ((mover, slice(0, hidden)), (other, slice(hidden, 2 * hidden))):
        exact = _accumulators(net.weights, net.bias, active, np.float64)
        rounded = _accumulators(quantised.weights, quantised.bias, active, np.int64) / QA
        off = np.abs(rounded - exact)
        a = np.clip(exact, 0, 1)
        total = total + (off * (2 * a + off)) @ np.abs(ow[half]) + (a * a) @ ow_error[half]
    return SCALE * total + 1
