// The range of every output of a calibration model (scripts/ppocr/quantise.py --calibration) over
// the lines given as PGM pictures: from the 0.1th to the 99.9th percentile of a sample of each
// tensor's values, so that a few outlying values do not spread the 8-bit steps thin.
//   node calibrate.js MODEL.onnx LINE.pgm... > RANGES.json
'use strict';
const fs = require('fs');
const ort = require('onnxruntime-node');

const percentile = 0.999;
const samplesPerLine = 10000;

function readPgm(path) {
    const bytes = fs.readFileSync(path);
    const header = bytes.toString('latin1', 0, 64).match(/^P5\s+(\d+)\s+(\d+)\s+(\d+)\s/);
    if (!header)
        throw new Error(`${path}: not an 8-bit PGM picture`);
    return { width: +header[1], height: +header[2], grey: bytes.subarray(header[0].length) };
}

async function main([model, ...lines]) {
    const session = await ort.InferenceSession.create(model, { intraOpNumThreads: 2 });
    const samples = {};
    for (const path of lines) {
        const line = readPgm(path);
        const input = Float32Array.from(line.grey, value => value / 127.5 - 1);
        const outputs = await session.run({ [session.inputNames[0]]: new ort.Tensor('float32', input, [1, 1, line.height, line.width]) });
        for (const name of session.outputNames.slice(1)) {
            const values = outputs[name].data;
            const step = Math.max(1, Math.floor(values.length / samplesPerLine));
            // One value at a pseudo-random place in each stretch of `step`, so that the sample does
            // not follow the rows or channels of the tensor's layout.
            const kept = new Float32Array(Math.floor(values.length / step));
            let seed = 12345;
            for (let i = 0; i < kept.length; ++i) {
                seed = (seed * 1103515245 + 12345) % 2147483648;
                kept[i] = values[i * step + (seed % step)];
            }
            (samples[name] || (samples[name] = [])).push(kept);
        }
    }
    const ranges = {};
    for (const [name, chunks] of Object.entries(samples)) {
        const sorted = new Float32Array(chunks.reduce((sum, chunk) => sum + chunk.length, 0));
        chunks.reduce((at, chunk) => (sorted.set(chunk, at), at + chunk.length), 0);
        sorted.sort();
        const at = fraction => sorted[Math.round(fraction * (sorted.length - 1))];
        ranges[name] = [at(1 - percentile), at(percentile)];
    }
    process.stdout.write(JSON.stringify(ranges, null, 1) + '\n');
}

main(process.argv.slice(2)).catch(error => { console.error(error.message); process.exit(1); });
