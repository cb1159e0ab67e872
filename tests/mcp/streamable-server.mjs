// An MCP server that speaks only the streamable HTTP transport (no SSE endpoint): POST /mcp
// carries every request, GET and DELETE answer 405. Built on the MCP reference SDK from the
// npm test programs (TAVO_NPM_DIR). Listens on 127.0.0.1:$PORT and offers one tool, "echo".
import http from 'node:http';
import { createRequire } from 'node:module';
import path from 'node:path';

const require = createRequire(path.join(process.env.TAVO_NPM_DIR || '.', 'package.json'));
const { Server } = require('@modelcontextprotocol/sdk/server/index.js');
const { StreamableHTTPServerTransport } = require('@modelcontextprotocol/sdk/server/streamableHttp.js');
const { ListToolsRequestSchema, CallToolRequestSchema } = require('@modelcontextprotocol/sdk/types.js');

function makeServer() {
  const server = new Server({ name: 'streamable-only', version: '1.0.0' }, { capabilities: { tools: {} } });
  server.setRequestHandler(ListToolsRequestSchema, async () => ({
    tools: [{ name: 'echo', description: 'Echoes the message',
              inputSchema: { type: 'object', properties: { message: { type: 'string' } } } }],
  }));
  server.setRequestHandler(CallToolRequestSchema, async (request) => ({
    content: [{ type: 'text', text: `Echo: ${request.params.arguments?.message ?? ''}` }],
  }));
  return server;
}

const httpServer = http.createServer(async (req, res) => {
  if (!req.url.startsWith('/mcp')) {
    res.writeHead(404).end();
    return;
  }
  if (req.method !== 'POST') {
    res.writeHead(405, { Allow: 'POST' }).end('Method Not Allowed');
    return;
  }
  const chunks = [];
  for await (const chunk of req) chunks.push(chunk);
  let body;
  try { body = JSON.parse(Buffer.concat(chunks).toString('utf8')); } catch {
    res.writeHead(400).end();
    return;
  }
  // Stateless: a fresh server and transport per request.
  const server = makeServer();
  const transport = new StreamableHTTPServerTransport({ sessionIdGenerator: undefined, enableJsonResponse: true });
  res.on('close', () => { transport.close(); server.close(); });
  await server.connect(transport);
  await transport.handleRequest(req, res, body);
});

const port = Number(process.env.PORT || 0);
httpServer.listen(port, '127.0.0.1', () => {
  process.stderr.write(`Streamable HTTP server listening on port ${httpServer.address().port}\n`);
});
