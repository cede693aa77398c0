#!/usr/bin/python3
"""Rewrites PaddleOCR's PP-OCRv4 line recogniser into a graph of the same arithmetic that ONNX
Runtime runs in its blocked channel layout from one convolution to the next.

As converted to ONNX, every convolution is followed by eight elementwise steps: a learnt scale
and shift, hard-swish written out as Add, Clip, Mul and Div, and a second learnt scale and shift.
The runtime keeps none of them in its blocked layout, so it turned each convolution's output back
into plain layout and the next one's input into blocks again, and spent as long on that and on the
steps as on the convolutions themselves. Here:
- a scale and shift after a convolution goes into its weights and bias;
- hard-swish becomes y * clip(y / 6 + 1/2, 0, 1): the gate a 1x1 depthwise convolution, whose clip
  the runtime fuses into it, the product a Mul of two blocked tensors;
- a scale and shift before a 1x1 convolution goes into its weights and bias. Before a padded
  (depthwise) one it becomes a BatchNormalization, which the runtime runs as a blocked 1x1
  convolution: folded into the weights, it would change what the zero padding adds at the edges;
- the first convolution reads one grey channel, with the weights of the three equal ones it was
  given summed.
The result reads the same up to float rounding (tst_onnx_session compares the two).
    scripts/ppocr/fold.py ORIGINAL.onnx FOLDED.onnx
"""
import sys

import numpy as np
import onnx
from onnx import helper, numpy_helper, version_converter


def constants_of(graph):
    """The graph's constants, initializers and Constant nodes, as arrays by name."""
    constants = {t.name: numpy_helper.to_array(t) for t in graph.initializer}
    for node in graph.node:
        if node.op_type == 'Constant':
            constants[node.output[0]] = numpy_helper.to_array(node.attribute[0].t)
    return constants


def in_reading_order(nodes, known, tool):
    """`nodes` in an order where each comes after what it reads, given the names `known` already."""
    known, pending, ordered = set(known), nodes, []
    while pending:
        ready = [n for n in pending if all(not i or i in known for i in n.input)]
        if not ready:
            sys.exit(f'{tool}: the rewritten graph has a cycle')
        ordered += ready
        for node in ready:
            known.update(node.output)
        done = {id(n) for n in ready}
        pending = [n for n in pending if id(n) not in done]
    return ordered


class Graph:
    """The nodes as a plain list, with the constants (Constant nodes and initializers) by name."""

    def __init__(self, model):
        self.model = model
        self.nodes = []
        for node in model.graph.node:
            copy = onnx.NodeProto()
            copy.CopyFrom(node)
            self.nodes.append(copy)
        self.constants = constants_of(model.graph)
        self.added = {}
        self.removed = []

    def readers(self, name):
        return [n for n in self.nodes if name in n.input]

    def only_reader(self, name, op_type):
        readers = self.readers(name)
        return readers[0] if len(readers) == 1 and readers[0].op_type == op_type else None

    def scalar(self, name):
        value = self.constants.get(name)
        return float(value.reshape(-1)[0]) if value is not None and value.size == 1 else None

    def by_constant(self, node):
        """For a Mul or Add with one constant scalar input: (that scalar, the other input)."""
        if node is None or len(node.input) != 2:
            return None
        for constant, other in (node.input, reversed(node.input)):
            if self.scalar(constant) is not None:
                return self.scalar(constant), other
        return None

    def constant(self, name, value):
        self.added[name] = np.asarray(value, np.float32)
        self.constants[name] = self.added[name]
        return name

    def remove(self, *nodes):
        self.removed.extend(nodes)

    def insert_before(self, node, new_nodes):
        at = self.nodes.index(node)
        self.nodes[at:at] = new_nodes


def weights_and_bias(graph, conv):
    weights = graph.constants[conv.input[1]].astype(np.float64)
    bias = graph.constants[conv.input[2]].astype(np.float64) if len(conv.input) > 2 else np.zeros(weights.shape[0])
    return weights, bias


def set_weights_and_bias(graph, conv, weights, bias):
    name = conv.name or conv.output[0]
    conv.input[:] = [conv.input[0], graph.constant(name + '.w', weights), graph.constant(name + '.b', bias)]


def is_padded(conv):
    return any(a.name == 'pads' and any(a.ints) for a in conv.attribute)


def fold_scale_after(graph, conv):
    """Conv -> Mul a -> Add b into the convolution; returns the convolution's new output."""
    mul = graph.only_reader(conv.output[0], 'Mul')
    scale = graph.by_constant(mul)
    add = mul and graph.only_reader(mul.output[0], 'Add')
    shift = graph.by_constant(add)
    if not (scale and shift):
        return None
    weights, bias = weights_and_bias(graph, conv)
    set_weights_and_bias(graph, conv, weights * scale[0], bias * scale[0] + shift[0])
    conv.output[0] = add.output[0]
    graph.remove(mul, add)
    return conv.output[0]


def gate_hard_swish(graph, y, channels):
    """Add 3 -> Clip 0 6 -> Mul y -> Div 6 as y * clip(conv(y), 0, 1); returns its output."""
    readers = graph.readers(y)
    plus = next((n for n in readers if n.op_type == 'Add'), None)
    times = next((n for n in readers if n.op_type == 'Mul'), None)
    if len(readers) != 2 or not plus or not times or (graph.by_constant(plus) or (None,))[0] != 3.0:
        return None
    clip = graph.only_reader(plus.output[0], 'Clip')
    divide = graph.only_reader(times.output[0], 'Div')
    if not clip or graph.only_reader(clip.output[0], 'Mul') is not times or not divide \
            or graph.scalar(divide.input[1]) != 6.0:
        return None
    h = divide.output[0]
    graph.insert_before(divide, [
        helper.make_node('Conv', [y, graph.constant(h + '.gate.w', np.full((channels, 1, 1, 1), 1 / 6)),
                                  graph.constant(h + '.gate.b', np.full(channels, 0.5))],
                         [h + '.gate.linear'], name=h + '.gate', group=channels, kernel_shape=[1, 1]),
        helper.make_node('Clip', [h + '.gate.linear', graph.constant(h + '.gate.low', 0.0),
                                  graph.constant(h + '.gate.high', 1.0)], [h + '.gate.value'], name=h + '.clip'),
        helper.make_node('Mul', [y, h + '.gate.value'], [h], name=h + '.product'),
    ])
    graph.remove(plus, clip, times, divide)
    return h


def fold_scale_before(graph, h, channels):
    """Mul c -> Add d ahead of convolutions into them, or into a BatchNormalization before padded ones."""
    mul = graph.only_reader(h, 'Mul')
    scale = graph.by_constant(mul)
    add = mul and graph.only_reader(mul.output[0], 'Add')
    shift = graph.by_constant(add)
    convs = graph.readers(add.output[0]) if shift else []
    if not scale or not convs or any(n.op_type != 'Conv' for n in convs):
        return
    z = add.output[0]
    if any(is_padded(n) for n in convs):
        epsilon = 1e-5
        graph.insert_before(add, [helper.make_node(
            'BatchNormalization', [h, graph.constant(z + '.scale', np.full(channels, scale[0])),
                                   graph.constant(z + '.shift', np.full(channels, shift[0])),
                                   graph.constant(z + '.mean', np.zeros(channels)),
                                   graph.constant(z + '.variance', np.full(channels, 1 - epsilon))],
            [z], name=z + '.affine', epsilon=epsilon)])
    else:
        for conv in convs:
            weights, bias = weights_and_bias(graph, conv)
            set_weights_and_bias(graph, conv, weights * scale[0], bias + shift[0] * weights.sum(axis=(1, 2, 3)))
            conv.input[0] = h
    graph.remove(mul, add)


def read_grey(graph):
    """The convolutions reading the picture take its one grey channel instead of three equal ones."""
    picture = graph.model.graph.input[0]
    convs = graph.readers(picture.name)
    if not convs or any(n.op_type != 'Conv' for n in convs):
        return False
    for conv in convs:
        weights, bias = weights_and_bias(graph, conv)
        set_weights_and_bias(graph, conv, weights.sum(axis=1, keepdims=True), bias)
    picture.type.tensor_type.shape.dim[1].dim_value = 1
    return True


def finish(graph):
    """The graph's nodes in an order where each comes after what it reads, without unread constants."""
    removed = {id(n) for n in graph.removed}
    ordered = in_reading_order([n for n in graph.nodes if id(n) not in removed],
                               {i.name for i in graph.model.graph.input} | set(graph.constants), 'fold')
    read = {i for n in ordered for i in n.input} | {o.name for o in graph.model.graph.output}
    ordered = [n for n in ordered if n.op_type != 'Constant' or n.output[0] in read]
    out = graph.model.graph
    del out.node[:]
    out.node.extend(ordered)
    kept = [t for t in out.initializer if t.name in read]
    del out.initializer[:]
    out.initializer.extend(kept)
    out.initializer.extend(numpy_helper.from_array(v, n) for n, v in graph.added.items() if n in read)


def main(original, folded):
    # Opset 12 gives Clip its bounds as inputs, which the runtime needs to fuse it into the gate.
    graph = Graph(version_converter.convert_version(onnx.load(original), 12))
    layers = 0
    for conv in [n for n in graph.nodes if n.op_type == 'Conv']:
        y = fold_scale_after(graph, conv)
        channels = graph.constants[conv.input[1]].shape[0]
        h = y and gate_hard_swish(graph, y, channels)
        if h:
            fold_scale_before(graph, h, channels)
            layers += 1
    if layers == 0 or not read_grey(graph):
        sys.exit('fold: no convolution of the expected form; is this PP-OCRv4\'s recogniser?')
    finish(graph)
    onnx.checker.check_model(graph.model)
    onnx.save(graph.model, folded)
    print(f'fold: {layers} convolutions folded into {folded}')


if __name__ == '__main__':
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    main(sys.argv[1], sys.argv[2])
