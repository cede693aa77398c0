#!/usr/bin/python3
"""Writes the folded PP-OCRv4 recogniser (scripts/ppocr/fold.py) with 8-bit convolutions, the
model the program reads with.

The convolutions of the backbone and the products of its hard-swish gates take 8-bit inputs: each
tensor they read is quantised with the range activation-ranges.json gives it (scripts/ppocr/
calibrate.sh measures them on rendered lines; the gates' own range is [0, 1], which also does the
clip the gate had), and each convolution's weights per output channel. The runtime fuses every
quantise, operation, dequantise triple into one 8-bit operation and keeps the chain in 8 bits, so
that the page reads in about two thirds of the time (bench/ocr-accuracy). The weights use 7 bits:
on processors without VNNI the runtime's 8-bit products are summed in pairs into 16 bits, which
two 8-bit weights could overflow. The neck and the head stay in floats.
    scripts/ppocr/quantise.py FOLDED.onnx RANGES.json QUANTISED.onnx
    scripts/ppocr/quantise.py --calibration FOLDED.onnx MEASURED.onnx
The second form writes the folded model with every tensor to quantise as an output, for
calibrate.sh to measure.
"""
import json
import sys

import numpy as np
import onnx
from onnx import TensorProto, helper, numpy_helper

from fold import constants_of, in_reading_order

WEIGHT_LIMIT = 63


class Model:
    def __init__(self, path):
        self.model = onnx.load(path)
        self.graph = self.model.graph
        self.constants = constants_of(self.graph)
        self.nodes = list(self.graph.node)

    def add(self, name, value):
        self.graph.initializer.append(numpy_helper.from_array(value, name))
        self.constants[name] = value
        return name


def affine_as_convolution(model):
    """The per-channel affines fold.py put before padded convolutions, as 1x1 depthwise convolutions."""
    for at, node in enumerate(model.nodes):
        # The stem's own normalisation stays: the runtime folds it into the convolution before it.
        if node.op_type != 'BatchNormalization' or not node.name.endswith('.affine'):
            continue
        scale, shift, mean, variance = (model.constants[i] for i in node.input[1:])
        epsilon = next(a.f for a in node.attribute if a.name == 'epsilon')
        factor = scale / np.sqrt(variance + epsilon)
        channels = len(scale)
        weights = model.add(node.name + '.w', factor.reshape(channels, 1, 1, 1).astype(np.float32))
        bias = model.add(node.name + '.b', (shift - mean * factor).astype(np.float32))
        model.nodes[at] = helper.make_node('Conv', [node.input[0], weights, bias], list(node.output),
                                           name=node.name, group=channels, kernel_shape=[1, 1])


def unclipped_gates(model):
    """The gates' clips dropped: a gate read in 8 bits over [0, 1] is clipped by its quantisation."""
    clips = {n.output[0]: n.input[0] for n in model.nodes if n.op_type == 'Clip' and n.name.endswith('.clip')}
    model.nodes = [n for n in model.nodes if n.output[0] not in clips]
    for node in model.nodes:
        node.input[:] = [clips.get(i, i) for i in node.input]
    return set(clips.values())


def quantised_nodes(model):
    """The backbone's convolutions and gate products: everything before its first pooling."""
    end = next(i for i, n in enumerate(model.nodes) if n.op_type == 'AveragePool')
    return [n for n in model.nodes[:end]
            if n.op_type == 'Conv' or (n.op_type == 'Mul' and n.name.endswith('.product'))]


def quantised_inputs(node):
    """The places of the inputs read in 8 bits: a convolution's data (its weights go their own
    way), every input of a product."""
    return range(1 if node.op_type == 'Conv' else len(node.input))


def read_tensors(nodes):
    names = []
    for node in nodes:
        for name in (node.input[i] for i in quantised_inputs(node)):
            if name not in names:
                names.append(name)
    return names


def quantise_input(model, tensor, low, high, made):
    """`tensor` through an 8-bit quantise and dequantise; the dequantised name."""
    if tensor not in made:
        low, high = min(low, 0.0), max(high, 0.0)
        scale = max(high - low, 1e-6) / 255
        zero = int(np.clip(round(-low / scale), 0, 255))
        s = model.add(tensor + '.qscale', np.array(scale, np.float32))
        z = model.add(tensor + '.qzero', np.array(zero, np.uint8))
        model.nodes += [helper.make_node('QuantizeLinear', [tensor, s, z], [tensor + '.q']),
                        helper.make_node('DequantizeLinear', [tensor + '.q', s, z], [tensor + '.dq'])]
        made[tensor] = (tensor + '.dq', scale)
    return made[tensor]


def quantise_weights(model, conv, input_scale):
    """The convolution's weights per output channel in 7 bits, its bias in 32 at their product's scale."""
    name = conv.name or conv.output[0]
    weights = model.constants[conv.input[1]]
    channels = weights.shape[0]
    scale = np.maximum(np.abs(weights.reshape(channels, -1)).max(axis=1), 1e-12) / WEIGHT_LIMIT
    steps = np.clip(np.round(weights / scale.reshape(channels, 1, 1, 1)), -WEIGHT_LIMIT, WEIGHT_LIMIT)
    q = model.add(name + '.wq', steps.astype(np.int8))
    s = model.add(name + '.ws', scale.astype(np.float32))
    z = model.add(name + '.wz', np.zeros(channels, np.int8))
    model.nodes.append(helper.make_node('DequantizeLinear', [q, s, z], [name + '.wdq'], axis=0))
    conv.input[1] = name + '.wdq'
    if len(conv.input) > 2:
        bias_scale = (input_scale * scale).astype(np.float32)
        bias = np.round(model.constants[conv.input[2]] / bias_scale)
        q = model.add(name + '.bq', np.clip(bias, -2**31, 2**31 - 1).astype(np.int32))
        s = model.add(name + '.bs', bias_scale)
        z = model.add(name + '.bz', np.zeros(channels, np.int32))
        model.nodes.append(helper.make_node('DequantizeLinear', [q, s, z], [name + '.bdq'], axis=0))
        conv.input[2] = name + '.bdq'


def to_opset_13(model):
    """Dequantising per channel needs opset 13; of the ops here only Squeeze changed its form."""
    for node in model.nodes:
        if node.op_type == 'Softmax':
            assert next(a.i for a in node.attribute if a.name == 'axis') in (2, 3), 'Softmax over a middle axis'
        if node.op_type == 'Squeeze':
            axes = next(a for a in node.attribute if a.name == 'axes')
            node.input.append(model.add(node.output[0] + '.axes', np.array(axes.ints, np.int64)))
            node.attribute.remove(axes)
    model.model.opset_import[0].version = 13


def save(model, path):
    ordered = in_reading_order(model.nodes, {i.name for i in model.graph.input} | set(model.constants), 'quantise')
    del model.graph.node[:]
    model.graph.node.extend(ordered)
    onnx.checker.check_model(model.model)
    onnx.save(model.model, path)


def write_calibration_model(folded, measured):
    # The names as the quantised graph reads them; the graph written is the folded one.
    reading = Model(folded)
    affine_as_convolution(reading)
    model = onnx.load(folded)
    picture = model.graph.input[0].name
    for name in read_tensors(quantised_nodes(reading)):
        if name != picture:
            model.graph.output.append(helper.make_tensor_value_info(name, TensorProto.FLOAT, None))
    onnx.save(model, measured)


def write_quantised(folded, ranges_path, quantised):
    model = Model(folded)
    ranges = json.load(open(ranges_path))
    ranges[model.graph.input[0].name] = [-1.0, 1.0]
    affine_as_convolution(model)
    gates = unclipped_gates(model)
    for gate in gates:
        ranges[gate] = [0.0, 1.0]
    nodes = quantised_nodes(model)
    missing = [t for t in read_tensors(nodes) if t not in ranges]
    if missing:
        sys.exit(f'quantise: no range for {", ".join(missing[:3])}; run scripts/ppocr/calibrate.sh')
    made = {}
    for node in nodes:
        for index in quantised_inputs(node):
            node.input[index], scale = quantise_input(model, node.input[index], *ranges[node.input[index]], made)
        if node.op_type == 'Conv':
            quantise_weights(model, node, scale)
    to_opset_13(model)
    save(model, quantised)
    print(f'quantise: {len(nodes)} operations in 8 bits in {quantised}')


if __name__ == '__main__':
    if len(sys.argv) == 4 and sys.argv[1] == '--calibration':
        write_calibration_model(sys.argv[2], sys.argv[3])
    elif len(sys.argv) == 4:
        write_quantised(*sys.argv[1:])
    else:
        sys.exit(__doc__)
