// Validates SARIF logs against the SARIF 2.1.0 schema that ships with
// Microsoft's SARIF Multitool. Exit status 1 when one does not validate.
//   node validate.js LOG...
const fs = require('fs');
const path = require('path');
const Ajv = require('ajv');
const addFormats = require('ajv-formats');

const schemaPath = path.join(__dirname, 'node_modules', '@microsoft', 'sarif-multitool-linux', 'sarif-2.1.0.json');
const schema = JSON.parse(fs.readFileSync(schemaPath, 'utf8'));
delete schema.$schema;  // draft-07, Ajv's default
const ajv = new Ajv({allErrors: true, strict: false});
addFormats(ajv);
const validate = ajv.compile(schema);
let failed = false;
for (const file of process.argv.slice(2)) {
    const log = JSON.parse(fs.readFileSync(file, 'utf8'));
    if (validate(log)) {
        console.log(`${file}: valid SARIF 2.1.0`);
    } else {
        failed = true;
        for (const error of validate.errors) {
            console.log(`${file}: ${error.instancePath || '/'} ${error.message}`);
        }
    }
}
process.exit(failed ? 1 : 0);
