// Expands imploded files with node-pkware, as a black-box decoder: node explode.mjs in out [in out ...].
import { readFileSync, writeFileSync } from 'node:fs';
import { explode } from 'node-pkware/simple';

const args = process.argv.slice(2);
for (let i = 0; i + 1 < args.length; i += 2) {
  const input = readFileSync(args[i]);
  const packed = input.buffer.slice(input.byteOffset, input.byteOffset + input.byteLength);
  writeFileSync(args[i + 1], Buffer.from(explode(packed)));
}
