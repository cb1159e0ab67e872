// The reference TypeScript SDK client doing the same job as our client in the benchmark:
// sequential tools/call "echo" against server-everything over standard input/output.
// Prints one JSON line: {"samplesMs": [...]}.
const { Client } = require('@modelcontextprotocol/sdk/client/index.js');
const { StdioClientTransport } = require('@modelcontextprotocol/sdk/client/stdio.js');

async function main() {
  const [server, countText, warmupText] = process.argv.slice(2);
  const count = Number(countText), warmup = Number(warmupText);
  const transport = new StdioClientTransport({ command: process.execPath, args: [server, 'stdio'], stderr: 'ignore' });
  const client = new Client({ name: 'bench-reference', version: '1.0.0' });
  await client.connect(transport);
  const samples = [];
  for (let i = 0; i < warmup + count; ++i) {
    const start = process.hrtime.bigint();
    await client.callTool({ name: 'echo', arguments: { message: 'ping ' + i } });
    const ms = Number(process.hrtime.bigint() - start) / 1e6;
    if (i >= warmup) samples.push(ms);
  }
  await client.close();
  process.stdout.write(JSON.stringify({ samplesMs: samples }) + '\n');
}
main().catch((e) => { console.error(e); process.exit(1); });
