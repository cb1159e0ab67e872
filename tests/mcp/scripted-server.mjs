// A small MCP server over standard input/output that misbehaves on purpose, to test the
// client's protocol handling: junk lines, notifications between a request and its answer,
// requests of its own (roots/list, ping), answers out of order, answers with ids of the wrong
// type, an answer over the size cap, a tool list that never comes (SCRIPTED_HANG_LIST=1), and
// dying in the middle of a call.
import readline from 'node:readline';

const version = process.env.SCRIPTED_PROTOCOL_VERSION || '2025-06-18';
let replyToOurRequest = null;
let replyToPing = null;
const send = (m) => process.stdout.write(JSON.stringify(m) + '\n');
const rl = readline.createInterface({ input: process.stdin });

rl.on('line', (line) => {
  let msg;
  try { msg = JSON.parse(line); } catch { return; }
  if (msg.id === 'srv-1' && !msg.method) { replyToOurRequest = msg; return; }
  if (msg.id === 'srv-ping' && !msg.method) { replyToPing = msg; return; }
  if (msg.method === 'initialize') {
    process.stdout.write('this is not JSON\n');
    process.stdout.write('[1, 2, 3]\n');
    send({ jsonrpc: '2.0', method: 'notifications/message', params: { level: 'info', data: 'hello' } });
    send({ jsonrpc: '2.0', id: 'srv-1', method: 'roots/list' });
    send({ jsonrpc: '2.0', id: 'srv-ping', method: 'ping' });
    send({ jsonrpc: '2.0', id: msg.id, result: { protocolVersion: version, capabilities: { tools: {} },
                                                serverInfo: { name: 'scripted', version: '1' } } });
    return;
  }
  if (msg.method === 'tools/list') {
    if (process.env.SCRIPTED_HANG_LIST === '1') return;
    send({ jsonrpc: '2.0', id: msg.id, result: { tools: [{ name: 'first', inputSchema: { type: 'object' } }],
                                                nextCursor: 'page-2' } });
    return;
  }
  if (msg.method === 'tools/call') {
    const name = msg.params.name;
    const text = (t) => ({ jsonrpc: '2.0', id: msg.id, result: { content: [{ type: 'text', text: t }] } });
    if (name === 'slow') setTimeout(() => send(text('slow')), 300);
    else if (name === 'fast') {
      send({ jsonrpc: '2.0', method: 'notifications/progress', params: { progress: 1 } });
      send(text('fast'));
    } else if (name === 'reply') send(text(JSON.stringify(replyToOurRequest)));
    else if (name === 'env') send(text(JSON.stringify(process.env)));
    else if (name === 'ping-reply') send(text(JSON.stringify(replyToPing)));
    else if (name === 'wrong-ids') {
      // Same value, other type; a close number; then the real answer.
      send({ jsonrpc: '2.0', id: String(msg.id), result: { content: [{ type: 'text', text: 'string id' }] } });
      send({ jsonrpc: '2.0', id: msg.id + 0.9, result: { content: [{ type: 'text', text: 'fraction id' }] } });
      setTimeout(() => send(text('right')), 200);
    } else if (name === 'huge') {
      // Over the client's 32 MiB line cap, with the id at the very end.
      process.stdout.write(JSON.stringify({ jsonrpc: '2.0', result: { content: [{ type: 'text', text: 'x'.repeat(33 * 1024 * 1024) }] },
                                            id: msg.id }) + '\n');
    }
    else if (name === 'exit') process.exit(3);
    else if (name === 'hang') { /* never answers */ }
    else send({ jsonrpc: '2.0', id: msg.id, error: { code: -32602, message: 'Unknown tool: ' + name } });
  }
});
rl.on('close', () => process.exit(0));
