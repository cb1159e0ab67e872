// A real OpenID provider on 127.0.0.1 (random port) with the hosted identity service's routes,
// for end-to-end logins where the test plays the browser. Login and consent complete by
// themselves: the interaction pages sign the one test user in and grant what is asked.
//
// Run with the test programs' npm folder as working directory. Prints "listening <issuer>" once
// it accepts requests, and "authorize <query>" for every authorization request.
import { createRequire } from 'node:module';
import http from 'node:http';
import { join } from 'node:path';
import { pathToFileURL } from 'node:url';

const npmDir = process.env.TAVO_NPM_DIR || process.cwd();
const require = createRequire(join(npmDir, 'package.json'));
const { default: Provider } = await import(pathToFileURL(require.resolve('oidc-provider')).href);

const clientId = process.env.OIDC_CLIENT_ID || 'tavo-desktop';
const user = {
  sub: 'google-oauth2|2002',
  name: 'Grace Hopper',
  email: 'grace@example.com',
  picture: 'https://example.com/grace.png',
};

let provider;
const server = http.createServer(async (req, res) => {
  try {
    const url = new URL(req.url, 'http://127.0.0.1');
    if (url.pathname === '/authorize') {
      console.log(`authorize ${url.searchParams}`);
    }
    // The desktop client names its way back after a logout "returnTo".
    if (url.pathname === '/v2/logout' && url.searchParams.has('returnTo')) {
      url.searchParams.set('post_logout_redirect_uri', url.searchParams.get('returnTo'));
      url.searchParams.delete('returnTo');
      req.url = url.pathname + url.search;
    }
    if (url.pathname.startsWith('/interaction/')) {
      await interact(req, res);
      return;
    }
    provider.callback()(req, res);
  } catch (err) {
    console.error(err);
    res.statusCode = 500;
    res.end(String(err));
  }
});

async function interact(req, res) {
  const details = await provider.interactionDetails(req, res);
  const { prompt, params, session, grantId } = details;
  let result;
  if (prompt.name === 'login') {
    result = { login: { accountId: user.sub } };
  } else if (prompt.name === 'consent') {
    const grant = grantId
      ? await provider.Grant.find(grantId)
      : new provider.Grant({ accountId: session.accountId, clientId: params.client_id });
    const missing = prompt.details;
    if (missing.missingOIDCScope) grant.addOIDCScope(missing.missingOIDCScope.join(' '));
    if (missing.missingOIDCClaims) grant.addOIDCClaims(missing.missingOIDCClaims);
    for (const [indicator, scopes] of Object.entries(missing.missingResourceScopes || {})) {
      grant.addResourceScope(indicator, scopes.join(' '));
    }
    result = { consent: { grantId: await grant.save() } };
  } else {
    result = { error: 'access_denied', error_description: `unexpected prompt ${prompt.name}` };
  }
  await provider.interactionFinished(req, res, result, { mergeWithLastSubmission: false });
}

await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
const issuer = `http://127.0.0.1:${server.address().port}`;

provider = new Provider(issuer, {
  clients: [{
    client_id: clientId,
    application_type: 'native',
    token_endpoint_auth_method: 'none',
    grant_types: ['authorization_code', 'refresh_token'],
    response_types: ['code'],
    // Loopback answers: any port is accepted for a native client.
    redirect_uris: ['http://127.0.0.1/callback'],
    post_logout_redirect_uris: ['http://127.0.0.1/logout'],
  }],
  routes: {
    authorization: '/authorize',
    token: '/oauth/token',
    end_session: '/v2/logout',
  },
  // The desktop client reads the profile from the ID token of the code exchange.
  conformIdTokenClaims: false,
  claims: {
    openid: ['sub'],
    profile: ['name', 'picture'],
    email: ['email'],
  },
  // The service's own parameters: accepted, and the access token stays opaque.
  extraParams: ['audience', 'connection'],
  // The desktop client renews with refresh tokens without asking for offline access.
  issueRefreshToken: async (_ctx, client) => client.grantTypeAllowed('refresh_token'),
  interactions: { url: (_ctx, interaction) => `/interaction/${interaction.uid}` },
  features: {
    devInteractions: { enabled: false },
    rpInitiatedLogout: { enabled: true },
  },
  findAccount: async (_ctx, id) => (id === user.sub
    ? { accountId: id, claims: async () => ({ ...user }) }
    : undefined),
});
provider.on('server_error', (_ctx, err) => console.error('server_error', err));

console.log(`listening ${issuer}`);
